// Time from Down to the new image being ready on the canvas, for 4000 x 3000 and
// 6000 x 4000 JPEG files, next to the bare decode of the same files in the same warm
// process: after a dwell on the previous image (the prefetch has finished) and with
// keys as fast as possible. Then the resident size after stepping through ten large
// images. At fit, where the image is decoded reduced first, also the time from Down after
// a dwell until the sharp image is on screen, and the resident size at fit.
// With "formats": the decode and the step for a 24-megapixel image of each format, at 100 %
// and at fit; a step to an image decoded on a worker lasts until it is on screen.
#include "editgate.h"
#include "imagedecoding.h"
#include "quadrotag.h"
#include "workflowfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

void writeLabels(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("4\n");
    for (int i = 0; i < 30; ++i)
        file.write(QByteArray("4 10 10 500 10 500 400 10 400 \n3 0 1 2 2 4 3 \n"));
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double milliseconds(const std::function<void()>& step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    return timer.nsecsElapsed() / 1e6;
}

long peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

long residentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6)) / 1024;
    return -1;
}

QStringList writeBatch(const QTemporaryDir& dir, const QString& stem, const cv::Size& size,
                       int count, const QString& suffix = "jpg", bool sixteenBits = false)
{
    QStringList batch;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QString("%1%2.%3").arg(stem).arg(i).arg(suffix));
        writePhotoLike(path, size.width, size.height, i, sixteenBits);
        writeLabels(dir.filePath(QString("%1%2.lbl").arg(stem).arg(i)));
        batch << path;
    }
    return batch;
}

// The longest a step itself held the window before its event loop ran again.
double longestStepHold = 0;

// Down, then everything the key press queued, painting included, and the image's arrival
// where it is decoded on a worker.
double downToCanvasReady(Quadrotag& window)
{
    return milliseconds([&] {
        longestStepHold = std::max(longestStepHold, milliseconds([&] { window.slotNextImage(); }));
        QCoreApplication::processEvents();
        while (window.imageSession().editGate().refusal(EditGate::Edit::Shapes) ==
               QString::fromUtf8(EditGate::imageLoadingNote))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    });
}

// Down, then everything that follows until the image on screen is the sharp one.
double downToSharpImage(Quadrotag& window, const ImageWidget& canvas)
{
    return milliseconds([&] {
        window.slotNextImage();
        QCoreApplication::processEvents();
        while (canvas.showsReducedImage())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    });
}

void measureSharpAfterDwell(Quadrotag& window, const QStringList& batch, const char* name)
{
    const ImageWidget& canvas = *window.findChild<ImageViewer*>()->imageWidget();
    window.openImages(batch);
    std::vector<double> toSharp;
    for (int i = 1; i < batch.size(); ++i) {
        QTest::qWait(1000);
        toSharp.push_back(downToSharpImage(window, canvas));
    }
    std::vector<double> toSharpNoDwell;
    window.openImages(batch);
    for (int i = 1; i < batch.size(); ++i)
        toSharpNoDwell.push_back(downToSharpImage(window, canvas));
    std::printf("%s: Down after a 1 s dwell to the sharp image on screen %.1f ms (median); "
                "without dwell %.1f ms; fitted at %.0f %% in a %d x %d view\n",
                name, median(toSharp), median(toSharpNoDwell),
                window.findChild<ImageViewer*>()->zoom() * 100.0,
                window.findChild<ImageViewer*>()->viewport()->width(),
                window.findChild<ImageViewer*>()->viewport()->height());
}

double bareDecode(const QStringList& batch)
{
    std::vector<double> decodes;
    for (const QString& path : batch)
        decodes.push_back(milliseconds(
            [&] { cv::imread(QFile::encodeName(path).toStdString(), cv::IMREAD_UNCHANGED); }));
    return median(decodes);
}

// A window opened on the batch and closed at once, while its first image is decoded.
double closeWhileDecoding(const QStringList& batch)
{
    auto other = std::make_unique<Quadrotag>();
    other->show();
    other->openImages(batch);
    return milliseconds([&] {
        other->close();
        other.reset();
    });
}

void measure(Quadrotag& window, const QStringList& batch, const char* name)
{
    longestStepHold = 0;
    const double decode = bareDecode(batch);
    std::vector<double> screenDecodes;
    for (const QString& path : batch)
        screenDecodes.push_back(milliseconds([&] { decodeImageForScreen(path); }));

    window.openImages(batch);
    std::vector<double> afterDwell;
    for (int i = 1; i < batch.size(); ++i) {
        // Long enough for the next image to be made ahead, as a decode may take longer.
        QTest::qWait(500);
        if (!QTest::qWaitFor([&] { return window.imagePrefetcher().holds(batch[i]); }, 5000))
            std::fprintf(stderr, "not made ahead in 5 s\n");
        afterDwell.push_back(downToCanvasReady(window));
    }

    window.openImages(batch);
    std::vector<double> noDwell;
    const double whole = milliseconds([&] {
        for (int i = 1; i < batch.size(); ++i)
            noDwell.push_back(downToCanvasReady(window));
    });

    std::printf("%s: bare cv::imread %.1f ms (median of %lld)\n", name, decode,
                static_cast<long long>(batch.size()));
    std::printf("%s: decode into the pixmap's layout %.1f ms (median), %.2f x the decode\n", name,
                median(screenDecodes), median(screenDecodes) / decode);
    std::printf("%s: Down after a dwell (0.5 s, and the next image made) %.1f ms (median), "
                "%.2f x the decode\n",
                name, median(afterDwell), median(afterDwell) / decode);
    // Images decoded side by side arrive together, so steps alternate between waiting and
    // not: the mean is what a held key sees.
    const double mean = whole / double(noDwell.size());
    std::printf("%s: Down without dwell %.1f ms (median), %.2f x the decode; "
                "%lld steps in %.0f ms, mean %.1f ms, %.2f x the decode\n",
                name, median(noDwell), median(noDwell) / decode,
                static_cast<long long>(noDwell.size()), whole, mean, mean / decode);
    std::printf("%s: the longest a step held the window %.1f ms\n", name, longestStepHold);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir dir;
    QFile tags(dir.filePath("tags"));
    tags.open(QIODevice::WriteOnly);
    tags.write("S1 0 S2 0\nK 3 T1 T2 T3\nM 5 U1 U2 U3 U4 U5\n");
    tags.close();
    QDir::setCurrent(dir.path());

    if (argc > 1 && QByteArray(argv[1]) == "formats") {
        Quadrotag window;
        window.resize(1600, 1000);
        window.show();
        QTest::qWait(100);
        auto* viewer = window.findChild<ImageViewer*>();
        for (const QString format : {"jpg", "png", "webp", "tif", "tif 16-bit", "bmp"}) {
            const QString suffix = format.section(' ', 0, 0);
            const QStringList batch =
                writeBatch(dir, "f" + QString(format).replace(' ', '-') + '-', cv::Size(6000, 4000),
                           5, suffix, format.endsWith("16-bit"));
            measure(window, batch, qPrintable("6000 x 4000 " + format));
            viewer->slotFitToWindow();
            measure(window, batch, qPrintable("6000 x 4000 " + format + " at fit"));
            viewer->slotOriginalSize();
            std::printf("6000 x 4000 %s: resident size %ld MB, peak so far %ld MB\n",
                        qPrintable(format), residentMegabytes(), peakResidentMegabytes());
            std::printf("6000 x 4000 %s: closing a window while its first image decodes %.1f ms\n",
                        qPrintable(format), closeWhileDecoding(batch));
        }
        return 0;
    }

    const QStringList medium = writeBatch(dir, "medium", cv::Size(4000, 3000), 8);
    const QStringList large = writeBatch(dir, "large", cv::Size(6000, 4000), 10);
    std::fprintf(stderr, "images ready\n");

    Quadrotag window;
    // As large as the screen allows, so that fitting shows a 6000 x 4000 photograph at
    // about an eighth, as a desktop would.
    window.resize(1600, 1000);
    window.show();
    QTest::qWait(100);
    const long base = residentMegabytes();
    measure(window, medium, "4000 x 3000");
    measure(window, large, "6000 x 4000");
    // At fit every image is also scaled down smoothly once for the view.
    window.findChild<ImageViewer*>()->slotFitToWindow();
    measure(window, large, "6000 x 4000 at fit");
    measureSharpAfterDwell(window, large, "6000 x 4000 at fit");
    window.openImages(large);
    for (int i = 1; i < large.size(); ++i)
        window.slotNextImage();
    QTest::qWait(1000);
    std::printf("resident size at fit: %ld MB after ten 6000 x 4000 images\n", residentMegabytes());
    window.findChild<ImageViewer*>()->slotOriginalSize();

    window.openImages(large);
    for (int i = 1; i < large.size(); ++i)
        window.slotNextImage();
    QTest::qWait(1000);
    std::printf("resident size: %ld MB at start, %ld MB after ten 6000 x 4000 images, "
                "peak %ld MB\n",
                base, residentMegabytes(), peakResidentMegabytes());
    return 0;
}
