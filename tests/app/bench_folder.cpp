// Opening a folder of 10,000 small JPEGs, half of them with label files: the time until
// the first image without a label file is on screen and the "Images" list is filled,
// next to the bare decode of that image; and the list's filter, one key at a time.
#include "batchfiles.h"
#include "quadrotag.h"
#include "workflowfixture.h"

#include <QtTest>

#include <QLineEdit>
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
    void filterKey_data();
    void filterKey();

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
            QVERIFY(writeFileBytes(folder + "/" + name + ".lbl",
                                   i % 4 == 0 ? "0\n4 1 1 9 1 9 9 1 9 \n1 0 2 \n" : "0\n"));
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

void BenchFolder::filterKey_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("by name") << "room99";
    // "S3" is the caption of a tag a quarter of the label files hold.
    QTest::newRow("by tag") << "s3";
}

// A key typed into the filter, and the list painted after it, with what the label files
// hold read once before.
void BenchFolder::filterKey()
{
    QFETCH(QString, text);
    auto* field = window->findChild<QLineEdit*>("filterField");
    auto* list = window->findChild<QListView*>("imagesView");
    field->setText(text);
    QCoreApplication::processEvents();
    QBENCHMARK
    {
        field->setText(text.chopped(1));
        QCoreApplication::processEvents();
        field->setText(text);
        QCoreApplication::processEvents();
    }
    QVERIFY(list->model()->rowCount() < imageCount);
    field->clear();
}

QTEST_MAIN(BenchFolder)
#include "bench_folder.moc"
