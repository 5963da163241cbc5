// Time from process start to the window's first paint and to the tag table's first
// paint, with the demo vocabulary, split into the steps that lead there.
#include "quadrotag.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

namespace {

// Milliseconds since the kernel started this process, before the loader ran.
double millisecondsSinceProcessStart()
{
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    // The fields after the command name, which is in parentheses and may hold spaces.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    for (int index = 3; index <= 22; ++index)
        fields >> field;
    const double startSeconds = std::stod(field) / double(::sysconf(_SC_CLK_TCK));
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return (double(now.tv_sec) + now.tv_nsec / 1e9 - startSeconds) * 1000.0;
}

// Notes when the watched widget is painted for the first time.
class FirstPaint : public QObject
{
public:
    FirstPaint(QWidget* widget, const char* name) : name(name) { widget->installEventFilter(this); }
    bool seen = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!seen && event->type() == QEvent::Paint) {
            seen = true;
            std::printf("first paint of the %s: %.1f ms after process start\n", name,
                        millisecondsSinceProcessStart());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const char* name;
};

} // namespace

int main(int argc, char* argv[])
{
    std::printf("main entered: %.1f ms after process start (loading the libraries)\n",
                millisecondsSinceProcessStart());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    QFile::copy(QStringLiteral(DEMO_VOCABULARY), dir.filePath("tags"));
    QDir::setCurrent(dir.path());

    QElapsedTimer step;
    step.start();
    QApplication application(argc, argv);
    std::printf("QApplication: %.1f ms\n", step.nsecsElapsed() / 1e6);
    step.restart();
    Quadrotag window;
    std::printf("window built, vocabulary read, tag index written: %.1f ms\n",
                step.nsecsElapsed() / 1e6);
    FirstPaint windowPaint(window.centralWidget(), "window");
    FirstPaint tablePaint(window.findChild<LabelViewer*>()->viewport(), "tag table");
    step.restart();
    window.show();
    while (!windowPaint.seen || !tablePaint.seen)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("show to the last first paint: %.1f ms\n", step.nsecsElapsed() / 1e6);
    return 0;
}
