// A flat folder of N images, half of them with label files, opened as the folder dialog does
// (listed off the GUI thread): the time until the first image without a label file is on
// screen, the GUI thread's worst timer delay meanwhile, the resident memory the batch adds per
// image, then one key typed into the Images filter and Ctrl+Down. Run as
// bench_bigfolder COUNT [FOLDER]; the folder is made once and kept when named.
// bench_bigfolder --from-launch COUNT [FOLDER] starts the program itself on the folder, as the
// operator does, and times launch to the first image painted, with the program's own steps.
#include "quadrotag.h"
#include "workflowfixture.h"

#include <QApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

// Enough real images for the first unlabelled ones and the Ctrl+Down steps; the listing never
// opens the others.
const int decodableImages = 64;
const int tickMilliseconds = 10;

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

bool makeFolder(const QString& folder, int count)
{
    if (QFileInfo::exists(folder + "/.complete"))
        return true;
    if (!QDir().mkpath(folder))
        return false;
    for (int i = 0; i < count; ++i) {
        const QString stem = QString("%1/room%2").arg(folder).arg(i);
        const bool made = i < decodableImages ? writeTestJpeg(stem + ".jpg", 64, 48, i % 256)
                                              : writeFileBytes(stem + ".jpg", QByteArray());
        if (!made ||
            (i % 2 == 0 && !writeFileBytes(stem + ".lbl",
                                           i % 4 == 0 ? "0\n4 1 1 9 1 9 9 1 9 \n1 0 2 \n" : "0\n")))
            return false;
    }
    return writeFileBytes(folder + "/.complete", QByteArray());
}

double elapsedMilliseconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

double typedMilliseconds(QLineEdit& filter, const QString& text)
{
    QElapsedTimer typing;
    typing.start();
    filter.setText(text);
    QApplication::processEvents();
    return elapsedMilliseconds(typing);
}

// Ten steps stay among the decodable images.
double nextUnlabelledMilliseconds(Quadrotag& window)
{
    const int steps = 10;
    QElapsedTimer stepping;
    stepping.start();
    for (int i = 0; i < steps; ++i) {
        window.slotNextUnlabelledImage();
        QApplication::processEvents();
    }
    return elapsedMilliseconds(stepping) / steps;
}

bool saidLine(const QByteArray& said, const QByteArray& line)
{
    return said.startsWith(line + '\n') || said.contains('\n' + line + '\n');
}

struct LaunchTimes
{
    double painted = -1;
    double listed = -1;
};

// The program started on the folder in a project of its own, its settings in scratch: the
// milliseconds until it reports its first image painted and its whole batch listed, or -1.
LaunchTimes fromLaunchMilliseconds(const QString& folder, const QString& scratch)
{
    QDir().mkpath(scratch + "/project");
    writeFileBytes(scratch + "/project/tags", testVocabulary);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUADROTAG_FIRST_PAINT_EXIT", "1");
    environment.insert("QUADROTAG_START_TRACE", "1");
    environment.insert("XDG_CONFIG_HOME", scratch + "/config");
    if (!environment.contains("QT_QPA_PLATFORM"))
        environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::SeparateChannels);
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setReadChannel(QProcess::StandardError);
    QElapsedTimer launch;
    launch.start();
    program.start(QUADROTAG_EXECUTABLE, {"--project", scratch + "/project", folder});
    QByteArray said;
    LaunchTimes times;
    while (times.listed < 0 && program.waitForReadyRead(60000)) {
        said += program.readAllStandardError();
        if (times.painted < 0 && saidLine(said, "first image painted"))
            times.painted = elapsedMilliseconds(launch);
        if (saidLine(said, "batch listed"))
            times.listed = elapsedMilliseconds(launch);
    }
    program.waitForFinished(60000);
    said += program.readAllStandardError();
    std::fputs(said.constData(), stdout);
    return times;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const bool fromLaunch = argc > 1 && QString(argv[1]) == "--from-launch";
    if (fromLaunch) {
        --argc;
        ++argv;
    }
    const int count = argc > 1 ? QString(argv[1]).toInt() : 10000;
    QTemporaryDir scratch;
    const QString folder = argc > 2 ? QString(argv[2]) : scratch.filePath("job");
    if (count < decodableImages || !makeFolder(folder, count)) {
        std::fprintf(stderr, "bench_bigfolder [--from-launch] COUNT [FOLDER]: COUNT at least %d\n",
                     decodableImages);
        return 1;
    }
    if (fromLaunch) {
        const LaunchTimes times = fromLaunchMilliseconds(folder, scratch.path());
        std::printf("%d images, from launch: first image painted %.0f ms, batch listed %.0f ms\n",
                    count, times.painted, times.listed);
        return times.painted < 0 || times.listed < 0 ? 1 : 0;
    }
    QDir::setCurrent(scratch.path());
    writeFileBytes("tags", testVocabulary);
    Quadrotag window;
    window.show();
    window.findChild<QDockWidget*>("imagesDock")->show();
    QApplication::processEvents();
    const long before = residentKilobytes();

    // Open alone as soon as the folder is read, then shown in its place in the whole list.
    const QString shown = QString("2/%1  %2/room1.jpg").arg(count).arg(folder);
    QElapsedTimer sinceTick;
    double worstDelay = 0;
    QTimer ticker;
    ticker.setInterval(tickMilliseconds);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        worstDelay = std::max(worstDelay, elapsedMilliseconds(sinceTick) - tickMilliseconds);
        sinceTick.restart();
    });
    QElapsedTimer opening;
    opening.start();
    sinceTick.start();
    ticker.start();
    window.listFolder(folder);
    double toFirstImage = -1;
    while (window.statusBar()->currentMessage() != shown) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (toFirstImage < 0 && window.imageSession().isOpen())
            toFirstImage = elapsedMilliseconds(opening);
    }
    QApplication::processEvents();
    const double toWholeList = elapsedMilliseconds(opening);
    if (toFirstImage < 0)
        toFirstImage = toWholeList;
    // The window also has to answer while the listing's leftovers are returned afterwards.
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 1500)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ticker.stop();
    const long after = residentKilobytes();

    // The first text and a deleted key go over every row; a further key only over those listed. The
    // texts match no tag caption, which would read every label file once.
    auto* filter = window.findChild<QLineEdit*>("filterField");
    const double firstKey = typedMilliseconds(*filter, "room1");
    filter->clear();
    QApplication::processEvents();
    filter->setText("room99");
    QApplication::processEvents();
    const double furtherKey = typedMilliseconds(*filter, "room999");
    const double deletedKey = typedMilliseconds(*filter, "room99");
    filter->clear();
    QApplication::processEvents();

    const double withList = nextUnlabelledMilliseconds(window);
    // As the window starts: the Images list hidden.
    window.findChild<QDockWidget*>("imagesDock")->hide();
    const double withoutList = nextUnlabelledMilliseconds(window);

    std::printf(
        "%d images: first image on screen %.0f ms, in the whole list %.0f ms, worst GUI timer "
        "delay while "
        "listing and 1.5 s after %.0f ms, %.0f bytes per image resident, filter key %.1f ms "
        "(first), %.1f ms (further), %.1f ms (deleted), Ctrl+Down %.1f ms with the Images list "
        "shown, %.1f ms with it hidden\n",
        count, toFirstImage, toWholeList, worstDelay, (after - before) * 1024.0 / count, firstKey,
        furtherKey, deletedKey, withList, withoutList);
    return 0;
}
