#include "earlyentryread.h"
#include "earlyimagedecode.h"
#include "earlyprojectlook.h"
#include "faultcatchingapplication.h"
#include "firstpaintprobe.h"
#include "folderlisting.h"
#include "librarylogging.h"
#include "operatorname.h"
#include "projectfolder.h"
#include "projecthistory.h"
#include "quadrotag.h"
#include "settingsmigration.h"
#include "startarguments.h"
#include "starttrace.h"
#include "vocabularyfiles.h"
#include "vocabularyquestion.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QGuiApplication>
#include <QIcon>
#include <QProcessEnvironment>
#include <QThread>

#include <cstdlib>
#include <iostream>
#include <memory>

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

QList<QByteArray> argumentsOf(int argc, char* argv[])
{
    QList<QByteArray> arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QByteArray(argv[i]);
    return arguments;
}

// The folder whose vocabulary the window reads: the one asked for; the working directory when
// it holds one; the nearest above the folder or first image given; else, as from the desktop
// menu, the most recent project. Empty when there is none at all, as before projects.
// openedKnown: the project of what is opened is known, which then needs no look again.
QString chooseProject(const StartArguments& arguments, ProjectHistory& history, bool& resume,
                      bool& openedKnown)
{
    resume = false;
    openedKnown = false;
    if (!arguments.projectFolder.isEmpty()) {
        resume = arguments.folder.isEmpty() && arguments.images.isEmpty();
        return arguments.projectFolder;
    }
    const QString found = projectForStart(arguments, QDir::currentPath(), &openedKnown,
                                          EarlyProjectLook::takeProject(openedByStart(arguments)));
    if (!found.isEmpty())
        return found;
    QStringList gone;
    const QString recent = history.mostRecentProject(gone);
    for (const QString& folder : gone)
        std::cerr << "Removed from Recent Projects, its folder or vocabulary is gone: "
                  << QDir::toNativeSeparators(folder).toStdString() << std::endl;
    resume = arguments.isBare() && !recent.isEmpty();
    return recent;
}

void openRequested(Quadrotag& window, const StartArguments& arguments, bool resume,
                   bool openedKnown)
{
    if (!arguments.folder.isEmpty() && openedKnown)
        window.listFolderOfProject(arguments.folder);
    else if (!arguments.folder.isEmpty())
        window.listFolder(arguments.folder);
    else if (!arguments.images.isEmpty())
        window.openNamedImages(arguments.images);
    else if (resume)
        window.resumeProject();
}

// The window from start to close; everything it wrote is on disk when this returns.
int runWindow(const StartArguments& arguments)
{
    ProjectHistory history;
    bool resume = false;
    bool openedKnown = false;
    const QString project = chooseProject(arguments, history, resume, openedKnown);
    // Made while a share still reads the vocabulary, which the window needs only at the end.
    Quadrotag window(project, std::nullopt);
    // On a share, steps wait for no claim, release or log line: they follow on a worker.
    window.teamDesk().setClaimsInBackground(true);
    const std::optional<VocabularyFiles> early = EarlyProjectLook::takeVocabulary(project);
    const VocabularyFiles vocabulary = early ? *early : VocabularyFiles::ofProject(project);
    // The window writes a new tag index as it loads the vocabulary, so the operator decides
    // before.
    if (!confirmVocabularyChange(vocabulary))
        return 0;
    window.loadStartVocabulary(vocabulary);
    traceStartStep("window made");
    window.show();
    std::unique_ptr<FirstPaintProbe> probe;
    if (FirstPaintProbe::isWanted())
        probe = std::make_unique<FirstPaintProbe>(window);
    openRequested(window, arguments, resume, openedKnown);
    traceStartStep("batch requested");
    return QApplication::exec();
}

// A folder listing that hangs on a share is not waited for; its thread must not run on while
// the libraries it uses are torn down.
int leaving(int exitCode)
{
    if (FolderListing::workersUnderWay() > 0 || EarlyImageDecode::underWay() > 0 ||
        EarlyEntryRead::underWay() > 0 || EarlyProjectLook::underWay() > 0) {
        std::cout << std::flush;
        std::cerr << std::flush;
        std::_Exit(exitCode);
    }
    return exitCode;
}

// The image a start shows first, found before the window is made: its pixels and the files its
// entry needs come while the window is built.
void startFirstImage(const QString& imagePath)
{
    EarlyImageDecode::start(imagePath);
    EarlyEntryRead::start(imagePath);
}

} // namespace

int main(int argc, char* argv[])
{
    traceStartStep("main");
    // The toolkit takes the first thread that asks which thread it is for its main thread: this
    // one, before the threads begun below make their first files.
    QThread::currentThread();
    // Help, version and mistakes need neither a display nor the toolkit.
    // A folder given is read, and its project looked for, while the checks below, the toolkit
    // and the window are made; a lone name that turns out not to be one lists nothing, and
    // nobody takes that listing.
    const StartArguments arguments =
        parseStartArgumentBytes(argumentsOf(argc, argv), [](const QString& maybeFolder) {
            FolderListing::startEarly(maybeFolder, &startFirstImage);
            EarlyProjectLook::start(maybeFolder);
        });
    switch (arguments.request) {
    case StartArguments::Request::Help:
    case StartArguments::Request::Version:
        std::cout << arguments.text.toStdString() << std::flush;
        return leaving(0);
    case StartArguments::Request::Mistake:
        std::cerr << arguments.text.toStdString() << std::flush;
        return leaving(StartArguments::exitMistake);
    case StartArguments::Request::Open:
        break;
    }
    if (!arguments.undecodable.isEmpty())
        std::cerr << "Left out image names that can't be read as text: "
                  << arguments.undecodable.join(QStringLiteral(", ")).toStdString() << std::endl;
    if (!hasDisplay()) {
        std::cerr << "Quadrotag needs a graphical display: set DISPLAY (or run it under xvfb-run)."
                  << std::endl;
        return leaving(1);
    }
    // The name goes into file names beside the images: refused before anything is written.
    QString problem;
    if (OperatorName::fromEnvironment(QProcessEnvironment::systemEnvironment(), &problem)
            .isEmpty()) {
        std::cerr << problem.toStdString() << std::endl;
        return leaving(2);
    }
    silenceImageLibraryLogging();
    FaultCatchingApplication application(argc, argv);
    traceStartStep("application made");
    // The one settings file is named before anything opens a QSettings().
    QCoreApplication::setOrganizationName(QStringLiteral("Quadrotag"));
    QCoreApplication::setApplicationName(QStringLiteral("Quadrotag"));
    carryOverOldSettings();
    application.setWindowIcon(applicationIcon());
    return leaving(runWindow(arguments));
}
