#include "librarylogging.h"
#include "quadrotag.h"
#include "vocabularyquestion.h"

#include <QApplication>
#include <QDirIterator>
#include <QGuiApplication>
#include <QIcon>

#include <cstdlib>
#include <iostream>

namespace {

// Without a display the toolkit would abort with a long message; say it in one line. Windows and
// macOS always have their own display, and name it in no environment variable.
bool hasDisplay()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return true;
#else
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform)
        return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
#endif
}

// Every size of the program's icon, built into the executable so that the window shows it
// whether or not the icon theme is installed.
QIcon applicationIcon()
{
    QIcon icon;
    QDirIterator sizes(":/appicon", {"*.png"}, QDir::Files, QDirIterator::Subdirectories);
    while (sizes.hasNext())
        icon.addFile(sizes.next());
    return icon;
}

} // namespace

int main(int argc, char* argv[])
{
    if (!hasDisplay()) {
        std::cerr << "Quadrotag needs a graphical display: set DISPLAY (or run it under xvfb-run)."
                  << std::endl;
        return 1;
    }
    silenceImageLibraryLogging();
    QApplication application(argc, argv);
    application.setWindowIcon(applicationIcon());
    // Where QSettings keeps what the operator expects remembered.
    QCoreApplication::setOrganizationName(QStringLiteral("Quadrotag"));
    QCoreApplication::setApplicationName(QStringLiteral("Quadrotag"));
    // The window writes a new tag index as it starts, so the operator decides before.
    if (!confirmVocabularyChange())
        return 0;
    Quadrotag window;
    window.show();
    return application.exec();
}
