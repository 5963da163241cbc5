#include "windowtest.h"

#include "editgate.h"
#include "labelfile.h"
#include "workflowfixture.h"

#include <QSettings>
#include <QStatusBar>
#include <QtTest>

void WindowTest::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    QVERIFY(writeFileBytes(pathOf("tags"), testVocabulary));
    // Recent projects and the image last shown go to this test's settings, never the operator's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, pathOf("settings"));
    // The program's one settings file, as main() names it.
    QCoreApplication::setOrganizationName(QStringLiteral("Quadrotag"));
    QCoreApplication::setApplicationName(QStringLiteral("Quadrotag"));
    batch.clear();
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        QVERIFY(writeTestJpeg(pathOf(name), 400, 300, 128));
        batch << pathOf(name);
    }
    previousDirectory = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir->path()));
    // Each test starts without remembered settings and leaves none behind.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir->path());
    window = std::make_unique<Quadrotag>();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

void WindowTest::cleanup()
{
    releaseDecoders();
    shareAnswers();
    window.reset();
    QDir::setCurrent(previousDirectory);
    dir.reset();
}

void WindowTest::stallShare()
{
    shareAnswer.tryAcquire(shareAnswer.available());
    stalled = true;
    window->teamDesk().setClaimsInBackground(true);
    window->teamDesk().runInOrder([this] {
        shareAnswer.tryAcquire(1, 5000);
        stalled = false;
    });
}

ImageViewer* WindowTest::viewer() const
{
    return window->findChild<ImageViewer*>();
}

ImageWidget* WindowTest::canvas() const
{
    return viewer()->imageWidget();
}

LabelViewer* WindowTest::table() const
{
    return window->findChild<LabelViewer*>();
}

QComboBox* WindowTest::styleChooser() const
{
    return window->findChild<QComboBox*>();
}

QString WindowTest::status() const
{
    return window->statusBar()->currentMessage();
}

void WindowTest::drawShape(const std::vector<QPoint>& corners)
{
    for (const QPoint& corner : corners)
        QTest::mouseClick(canvas(), Qt::LeftButton, {}, corner);
}

void WindowTest::drawSquare(int left, int top, int side)
{
    drawShape({{left, top}, {left + side, top}, {left + side, top + side}, {left, top + side}});
}

void WindowTest::clickTag(int row, int column)
{
    QTableWidgetItem* item = table()->item(row, column);
    QVERIFY(item);
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {},
                      table()->visualItemRect(item).center());
}

void WindowTest::pressKeyOnly(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    if (QApplication::activeWindow() != window.get()) {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    QTest::keyClick(window.get(), key, modifiers);
}

void WindowTest::pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    // A key pressed while an image loads is about that state, never a wait for its end.
    const bool wasLoading = isLoadingImage();
    pressKeyOnly(key, modifiers);
    if (!wasLoading)
        waitForImage();
}

void WindowTest::openBatch(const QStringList& files)
{
    window->openImages(files);
    waitForImage();
}

void WindowTest::openFolder(const QString& folder)
{
    window->openFolder(folder);
    waitForImage();
}

bool WindowTest::isLoadingImage() const
{
    return window->imageSession().editGate().refusal(EditGate::Edit::Write) ==
           QString::fromUtf8(EditGate::imageLoadingNote);
}

void WindowTest::holdDecoders()
{
    decodersFree.tryAcquire(decodersFree.available());
    const_cast<ImagePrefetcher&>(window->imagePrefetcher()).runOnEveryWorker([this] {
        decodersFree.tryAcquire(1, 10000);
    });
}

void WindowTest::releaseDecoders()
{
    decodersFree.release(2);
}

void WindowTest::waitForImage()
{
    QTRY_VERIFY_WITH_TIMEOUT(!isLoadingImage(), 20000);
}

std::set<std::pair<int, int>> WindowTest::selectedCells() const
{
    std::set<std::pair<int, int>> cells;
    for (const QTableWidgetItem* item : table()->selectedItems())
        cells.insert({item->row(), item->column()});
    return cells;
}

void WindowTest::checkActiveShape(int index)
{
    QCOMPARE(canvas()->currentActiveShape(), index);
    std::set<std::pair<int, int>> tags;
    if (index >= 0)
        for (const auto& tag : annotation().labels[index].tags)
            tags.insert(tag);
    QCOMPARE(selectedCells(), tags);
}

QByteArray WindowTest::bytesOf(const ImageAnnotation& expected) const
{
    const QString path = pathOf("expected.lbl");
    return writeLabelFile(expected, QFile::encodeName(path).toStdString()) ? fileBytes(path)
                                                                           : QByteArray();
}

QColor WindowTest::pixelAt(QWidget* widget, const QPoint& position)
{
    return widget->grab().toImage().pixelColor(position);
}

void WindowTest::startIn(const QString& project)
{
    window = std::make_unique<Quadrotag>(project);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    waitForImage();
}
