#include "librarylogging.h"
#include "memorytuning.h"
#include "quadrotag.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdlib>
#include <iostream>

namespace {

// Without a display the toolkit would abort with a long message; say it in one line.
bool hasDisplay()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform)
        return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

} // namespace

int main(int argc, char* argv[])
{
    if (!hasDisplay()) {
        std::cerr << "Quadrotag needs a graphical display: set DISPLAY (or run it under xvfb-run)."
                  << std::endl;
        return 1;
    }
    reuseLargeImageBuffers();
    silenceImageLibraryLogging();
    QApplication application(argc, argv);
    Quadrotag window;
    window.show();
    return application.exec();
}
