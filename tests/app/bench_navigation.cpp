// Time from Next to the new image being ready on the canvas, for 4000 x 3000 JPEG
// files, next to the bare decode of the same file in the same warm process.
#include "memorytuning.h"
#include "quadrotag.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

void writePhotoLikeJpeg(const QString& path, int seed)
{
    cv::Mat image(3000, 4000, CV_8UC3);
    cv::RNG random(seed);
    cv::Mat small(30, 40, CV_8UC3);
    random.fill(small, cv::RNG::UNIFORM, 40, 220);
    cv::resize(small, image, image.size(), 0, 0, cv::INTER_CUBIC);
    cv::Mat noise(image.size(), CV_8UC3);
    random.fill(noise, cv::RNG::NORMAL, 0, 12);
    image += noise;
    cv::imwrite(QFile::encodeName(path).toStdString(), image, {cv::IMWRITE_JPEG_QUALITY, 92});
}

void writeLabels(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("4\n");
    for (int i = 0; i < 30; ++i)
        file.write(QByteArray("4 10 10 500 10 500 400 10 400 \n3 0 1 2 2 4 3 \n"));
}

double medianMilliseconds(int runs, const std::function<void()>& step)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long peakResidentKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program tunes its allocator in main; PLAIN_ALLOCATOR=1 measures without it.
    if (!std::getenv("PLAIN_ALLOCATOR"))
        reuseLargeImageBuffers();
    QApplication application(argc, argv);
    QTemporaryDir dir;
    QFile tags(dir.filePath("tags"));
    tags.open(QIODevice::WriteOnly);
    tags.write("S1 0 S2 0\nK 3 T1 T2 T3\nM 5 U1 U2 U3 U4 U5\n");
    tags.close();
    QDir::setCurrent(dir.path());

    QStringList batch;
    for (int i = 0; i < 10; ++i) {
        const QString path = dir.filePath(QString("photo%1.jpg").arg(i));
        writePhotoLikeJpeg(path, i);
        writeLabels(dir.filePath(QString("photo%1.lbl").arg(i)));
        batch << path;
    }
    std::fprintf(stderr, "images ready\n");

    Quadrotag window;
    window.show();
    window.openImages(batch.mid(0, 2));

    const std::string first = QFile::encodeName(batch[0]).toStdString();
    const int runs = 11;
    const double decode = medianMilliseconds(runs, [&] { cv::imread(first, cv::IMREAD_COLOR); });
    bool forward = true;
    const auto nextOrPrevious = [&] {
        forward ? window.slotNextImage() : window.slotPreviousImage();
        forward = !forward;
        // Ready on the canvas means painted too.
        QCoreApplication::processEvents();
    };
    const double step = medianMilliseconds(runs, nextOrPrevious);
    std::printf("bare cv::imread: %.1f ms\n", decode);
    std::printf("Next/Previous (save, decode, convert, pixmap, labels, captions, hand-over): "
                "%.1f ms\n",
                step);
    std::printf("ratio: %.2f\n", step / decode);

    // At fit every image is also scaled down smoothly once for the view.
    window.findChild<ImageViewer*>()->slotFitToWindow();
    const double fitStep = medianMilliseconds(runs, nextOrPrevious);
    std::printf("Next/Previous at fit to window: %.1f ms\n", fitStep);

    window.openImages(batch);
    for (int i = 0; i < batch.size(); ++i)
        window.slotNextImage();
    std::printf("peak resident size after a batch of ten: %ld MB\n",
                peakResidentKilobytes() / 1024);
    return 0;
}
