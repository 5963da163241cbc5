// Opening a folder of 10,000 small JPEGs, half of them with label files: the time until
// the first image without a label file is on screen and the "Images" list is filled,
// next to the bare decode of that image.
#include "batchfiles.h"
#include "quadrotag.h"
#include "workflowfixture.h"

#include <QtTest>

#include <QListView>

#include <opencv2/imgcodecs.hpp>

class BenchFolder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void decodeOfTheFirstImage();
    void folderListing();
    void openFolderUntilShownAndListed();

private:
    QTemporaryDir dir;
    QString folder;
    QString previousDirectory;
    std::unique_ptr<Quadrotag> window;
    const int imageCount = 10000;
};

void BenchFolder::initTestCase()
{
    QVERIFY(writeFileBytes(dir.filePath("tags"), testVocabulary));
    QVERIFY(QDir(dir.path()).mkdir("job"));
    folder = dir.filePath("job");
    for (int i = 0; i < imageCount; ++i) {
        const QString name = QString("room%1").arg(i);
        QVERIFY(writeTestJpeg(folder + "/" + name + ".jpg", 64, 48, i % 256));
        if (i % 2 == 0)
            QVERIFY(writeFileBytes(folder + "/" + name + ".lbl", "0\n"));
    }
    previousDirectory = QDir::currentPath();
    QDir::setCurrent(dir.path());
    window = std::make_unique<Quadrotag>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->findChild<QDockWidget*>("imagesDock")->show();
}

void BenchFolder::cleanupTestCase()
{
    window.reset();
    QDir::setCurrent(previousDirectory);
}

void BenchFolder::decodeOfTheFirstImage()
{
    const std::string first = QFile::encodeName(folder + "/room1.jpg").toStdString();
    QBENCHMARK
    {
        cv::imread(first, cv::IMREAD_COLOR);
    }
}

void BenchFolder::folderListing()
{
    BatchFiles batch;
    QBENCHMARK
    {
        batch = listFolderImages(folder);
    }
    QCOMPARE(batch.imagePaths.size(), imageCount);
}

void BenchFolder::openFolderUntilShownAndListed()
{
    auto* list = window->findChild<QListView*>("imagesView");
    StdoutCapture silenced;
    QBENCHMARK
    {
        window->openFolder(folder);
        // Shown means painted, the list's visible rows included.
        QCoreApplication::processEvents();
    }
    QCOMPARE(window->statusBar()->currentMessage(),
             QString("2/%1  %2/room1.jpg").arg(imageCount).arg(folder));
    QCOMPARE(list->model()->rowCount(), imageCount);
    QVERIFY(list->indexAt(QPoint(4, 4)).isValid());
}

QTEST_MAIN(BenchFolder)
#include "bench_folder.moc"
