// Key to pixels and launch to first image on a folder that may be a network share: Down after a
// dwell, without and with an unsaved edit, and the program started on the folder until its first
// image is painted, and Open Images of the folder's photographs. tests/team/sharebench.sh runs it
// on a local disk and on sshfs with a delay.
//   bench_share --make FOLDER          writes the 6000 x 4000 photographs
//   bench_share QUADROTAG FOLDER       measures on them (the folder is written to)
#include "imagefile.h"
#include "imageviewer.h"
#include "quadrotag.h"
#include "workflowfixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int images = 8;
const int presses = 6;
const int dwellMilliseconds = 1500;
// A start is noisier than a step: the median of three moved by 70 ms between runs.
const int launches = 9;
// Each a photograph of its own, never read before.
const int reads = 3;

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return (times[(times.size() - 1) / 2] + times[times.size() / 2]) / 2.0;
}

bool isLoading(Quadrotag& window)
{
    return window.imageSession().editGate().refusal(EditGate::Edit::Write) ==
           QString::fromUtf8(EditGate::imageLoadingNote);
}

// Down, then everything the key press queued, painting included, until the new image's first
// pixels: an image not made ahead arrives from a worker later.
double downToPixels(Quadrotag& window)
{
    QElapsedTimer timer;
    timer.start();
    window.slotNextImage();
    QCoreApplication::processEvents();
    while (isLoading(window) && timer.elapsed() < 30000) {
        // Woken by the decode's arrival, or by this timer at the latest.
        QTimer::singleShot(100, [] {});
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return timer.nsecsElapsed() / 1e6;
}

// From the image's first pixels until an edit is taken: the claim is confirmed behind them.
double untilEditable(Quadrotag& window)
{
    QElapsedTimer timer;
    timer.start();
    if (!QTest::qWaitFor(
            [&] {
                return window.imageSession().editGate().refusal(EditGate::Edit::Write).isEmpty();
            },
            30000))
        std::fprintf(stderr, "an image stayed read only\n");
    return timer.nsecsElapsed() / 1e6;
}

std::vector<double> steps(Quadrotag& window, const QStringList& batch, bool edit,
                          std::vector<double>* editable = nullptr)
{
    window.openImages(batch);
    std::vector<double> times;
    for (int press = 0; press < presses; ++press) {
        if (edit) {
            const double waited = untilEditable(window);
            if (editable)
                editable->push_back(waited);
            QTest::qWait(std::max(0, 300 - int(waited)));
            // A style is a whole edit of its own; the recovery file follows it as after any edit.
            window.slotStyleChanged(window.imageAnnotation().styleIndex == 1 ? 2 : 1);
            if (!window.isWindowModified())
                std::fprintf(stderr, "the edit before press %d was refused\n", press + 1);
            QTest::qWait(dwellMilliseconds - 300);
        } else {
            QTest::qWait(dwellMilliseconds);
        }
        times.push_back(downToPixels(window));
    }
    return times;
}

// Open Images of the named batch until its first image's pixels, and the longest the window's
// thread went without answering a 5 ms timer meanwhile.
std::pair<double, double> openImagesToPixels(Quadrotag& window, const QStringList& batch)
{
    QElapsedTimer timer;
    QElapsedTimer sinceTick;
    double stall = 0;
    QTimer ticks;
    ticks.setInterval(5);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        stall = std::max(stall, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });
    timer.start();
    sinceTick.start();
    ticks.start();
    window.openNamedImages(batch);
    while ((window.isListingFolder() || isLoading(window)) && timer.elapsed() < 30000) {
        QTimer::singleShot(100, [] {});
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return {timer.nsecsElapsed() / 1e6, std::max(stall, sinceTick.nsecsElapsed() / 1e6)};
}

// The program started on the folder, until it says its canvas painted an image.
double launchToFirstImage(const QString& program, const QString& folder, const QString& home)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("QUADROTAG_FIRST_PAINT_EXIT", "1");
    environment.insert("HOME", home);
    environment.insert("XDG_CONFIG_HOME", home);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setWorkingDirectory(home);
    QElapsedTimer timer;
    timer.start();
    child.start(program, {folder});
    QByteArray said;
    while (!said.contains("first image painted") && child.waitForReadyRead(30000))
        said += child.readAll();
    const double elapsed = timer.nsecsElapsed() / 1e6;
    child.waitForFinished(30000);
    return said.contains("first image painted") ? elapsed : -1.0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3 && QByteArray(argv[1]) == "--make") {
        QDir().mkpath(argv[2]);
        for (int i = 0; i < images; ++i)
            writePhotoLike(QDir(argv[2]).filePath(QString("photo%1.jpg").arg(i)), 6000, 4000, i);
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_share --make FOLDER | bench_share QUADROTAG FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString program = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString folder = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QTemporaryDir home;
    // A team's project lies on the share with its photographs, as its vocabulary does.
    QFile tags(QDir(folder).filePath("tags"));
    tags.open(QIODevice::WriteOnly);
    tags.write("S1 0 S2 0\nK 3 T1 T2 T3\n");
    tags.close();
    QDir::setCurrent(home.path());

    std::vector<double> launched;
    for (int launch = 0; launch < launches; ++launch)
        launched.push_back(launchToFirstImage(program, folder, home.path()));

    QStringList batch;
    for (int i = 0; i < images; ++i)
        batch << QDir(folder).filePath(QString("photo%1.jpg").arg(i));
    // What no start can go without: the first photograph's bytes, read as a start reads them.
    std::vector<double> read;
    for (int i = 0; i < reads; ++i) {
        QElapsedTimer timer;
        timer.start();
        readImageFile(batch[i], qint64(1) << 30);
        read.push_back(timer.nsecsElapsed() / 1e6);
    }
    Quadrotag window(folder);
#ifdef QUADROTAG_CLAIMS_IN_BACKGROUND
    // As the program does.
    window.teamDesk().setClaimsInBackground(true);
#endif
    window.resize(1600, 1000);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.findChild<ImageViewer*>()->slotFitToWindow();
    const std::vector<double> plain = steps(window, batch, false);
    std::vector<double> editable;
    const std::vector<double> edited = steps(window, batch, true, &editable);
    std::vector<double> opened;
    std::vector<double> stalled;
    for (int open = 0; open < presses; ++open) {
        QTest::qWait(dwellMilliseconds);
        const auto [toPixels, stall] = openImagesToPixels(window, batch);
        opened.push_back(toPixels);
        stalled.push_back(stall);
    }
    std::printf("launch to first image %.0f ms (median of %d), a photograph read alone %.0f ms "
                "(median of %d); "
                "Down after a dwell %.1f ms, with an unsaved edit %.1f ms, an edit taken %.1f ms "
                "after the pixels; Open Images to pixels %.1f ms, the window held at most %.1f ms "
                "(medians of %d)\n",
                median(launched), launches, median(read), reads, median(plain), median(edited),
                median(editable), median(opened), median(stalled), presses);
    return 0;
}
