#ifndef QUADROTAG_TESTS_WINDOWTEST_H
#define QUADROTAG_TESTS_WINDOWTEST_H

#include "quadrotag.h"

#include <QColor>
#include <QObject>
#include <QPoint>
#include <QSemaphore>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <set>
#include <utility>

// What the tests of the real window share: for every test function a fresh temporary
// folder with the test vocabulary and three 400 x 300 images a.jpg, b.jpg and c.jpg,
// made the working directory, and a shown, active window started there; and the
// operator's hands on it.
class WindowTest : public QObject
{
    Q_OBJECT

protected:
    QString pathOf(const QString& name) const { return dir->filePath(name); }
    ImageViewer* viewer() const;
    ImageWidget* canvas() const;
    LabelViewer* table() const;
    QComboBox* styleChooser() const;
    QString status() const;
    const ImageAnnotation& annotation() const { return window->imageAnnotation(); }

    // Opens the files, and waits for the first image, decoded on a worker, to arrive.
    void openBatch(const QStringList& files);
    // Reads the folder at once as the batch, and waits for its first image.
    void openFolder(const QString& folder);
    // Waits until the image stepped to has arrived or failed.
    void waitForImage();
    bool isLoadingImage() const;
    // Keeps the image decode workers busy, so that an image stepped to stays loading until
    // released (or for 10 s at most).
    void holdDecoders();
    void releaseDecoders();
    // A window of this project as the program starts it, in place of the fixture's.
    void startIn(const QString& project);
    // Left clicks at these canvas positions.
    void drawShape(const std::vector<QPoint>& corners);
    void drawSquare(int left, int top, int side);
    void clickTag(int row, int column);
    // Shortcuts reach only the active window, and the offscreen platform does not give
    // activation back to the window when a message box closes.
    // Waits for an image the key steps to, as the operator waits to see it, unless one was
    // loading already.
    void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    // The key alone: an image it steps to may still be loading.
    void pressKeyOnly(Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    std::set<std::pair<int, int>> selectedCells() const;
    // The canvas, the window and the table agree on the active shape.
    void checkActiveShape(int index);
    // The bytes the label file writer gives for this annotation.
    QByteArray bytesOf(const ImageAnnotation& expected) const;
    // The colour the widget paints at this position of its own.
    static QColor pixelAt(QWidget* widget, const QPoint& position);
    // Holds the claim worker, as a share that does not answer would, until shareAnswers() or
    // five seconds; claims go in background then, as the program runs them.
    void stallShare();
    void shareAnswers() { shareAnswer.release(); }
    bool isShareStalled() const { return stalled; }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Quadrotag> window;
    QStringList batch;

private slots:
    void init();
    void cleanup();

private:
    QString previousDirectory;
    QSemaphore decodersFree;
    QSemaphore shareAnswer;
    std::atomic<bool> stalled{false};
};

#endif
