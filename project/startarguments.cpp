#include "startarguments.h"

#include "namebytes.h"
#include "projectfolder.h"
#include "splitwork.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <vector>

namespace {

const char programName[] = "quadrotag";

QString absolute(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

StartArguments mistake(const QString& message)
{
    StartArguments arguments;
    arguments.request = StartArguments::Request::Mistake;
    arguments.text =
        QStringLiteral("%1: %2\nTry '%1 --help'.\n").arg(QLatin1String(programName), message);
    return arguments;
}

// The application object names the program in the usage line; there is none yet.
QString helpText(const QCommandLineParser& parser)
{
    QString text = parser.helpText();
    const qsizetype usageEnd = text.indexOf(QLatin1Char(' '), text.indexOf(QLatin1Char(':')) + 2);
    if (usageEnd > 0)
        text.replace(0, usageEnd, QStringLiteral("Usage: ") + QLatin1String(programName));
    return text;
}

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Outlines objects in photographs of interiors as tagged four-corner "
                       "shapes, kept in a .lbl file beside each image.\n\n"
                       "Without arguments, in a folder without \"tags\", the most recent project "
                       "opens at the image last shown.\n\n"
                       "Exit status: 0 when the window was closed or help was shown, 2 for an "
                       "unusable command line."));
    parser.addPositionalArgument(QStringLiteral("FOLDER, IMAGE"),
                                 QStringLiteral("A folder of images to open as a batch, or "
                                                "image files."),
                                 QStringLiteral("[FOLDER | IMAGE...]"));
}

// Decoded arguments that were not text, with their bytes escaped.
using Undecodable = QHash<QString, QString>;

// One folder, or files only; every one must exist.
bool takeBatch(const QStringList& paths, const Undecodable& undecodable, StartArguments& arguments,
               QString& problem, const MaybeFolder& maybeFolder)
{
    // Told before it is looked at, which on a share waits a round trip: it may be listed meanwhile.
    if (paths.size() == 1 && maybeFolder && !undecodable.contains(paths.front()))
        maybeFolder(absolute(paths.front()));
    // On a share each look waits a round trip: they wait side by side, and are judged in order.
    enum class Found : char { Nothing, File, Folder };
    std::vector<Found> kinds(std::size_t(paths.size()), Found::Nothing);
    lookSideBySide(kinds.size(), [&](std::size_t at) {
        const QString& path = paths.at(qsizetype(at));
        // Its text may name another file that exists; its bytes name nothing we can open.
        if (undecodable.contains(path))
            return;
        const QFileInfo found(path);
        kinds[at] = !found.exists() ? Found::Nothing : found.isDir() ? Found::Folder : Found::File;
    });
    for (qsizetype at = 0; at < paths.size(); ++at) {
        const QString& path = paths.at(at);
        const Found found = kinds[std::size_t(at)];
        if (undecodable.contains(path)) {
            arguments.undecodable << undecodable.value(path);
            continue;
        }
        if (found == Found::Nothing) {
            problem = QStringLiteral("no such file or folder: ") + path;
            return false;
        }
        if (found == Found::Folder && paths.size() > 1) {
            problem = QStringLiteral("give one folder or image files, not both: ") + path;
            return false;
        }
        if (found == Found::Folder)
            arguments.folder = absolute(path);
        else
            arguments.images << absolute(path);
    }
    return true;
}

// Every value of every option given, in either form, that can't be read as text; escaped.
QString undecodableOptionValue(const QCommandLineParser& parser, const Undecodable& undecodable)
{
    for (const QString& name : parser.optionNames())
        for (const QString& value : parser.values(name))
            if (undecodable.contains(value))
                return undecodable.value(value);
    return QString();
}

// The marks that tell undecodable arguments apart belong in no message.
QString withoutMarks(QString text)
{
    static const QRegularExpression marks(QStringLiteral("\\x00[0-9]+"));
    return text.remove(marks);
}

StartArguments parse(const QStringList& commandLine, const Undecodable& undecodable,
                     const MaybeFolder& maybeFolder);

} // namespace

StartArguments parseStartArguments(const QStringList& commandLine, const MaybeFolder& maybeFolder)
{
    return parse(commandLine, Undecodable(), maybeFolder);
}

StartArguments parseStartArgumentBytes(const QList<QByteArray>& argumentBytes,
                                       const MaybeFolder& maybeFolder)
{
    QStringList commandLine;
    Undecodable undecodable;
    for (qsizetype position = 0; position < argumentBytes.size(); ++position) {
        const QByteArray& bytes = argumentBytes[position];
        if (isDecodableName(bytes)) {
            commandLine << QFile::decodeName(bytes);
            continue;
        }
        // Its text may be another argument's, which names a real file: told apart by a mark
        // no argument can hold.
        const QString mark = QChar(u'\0') + QString::number(position);
        commandLine << QFile::decodeName(bytes) + mark;
        undecodable.insert(commandLine.last(), escapedName(bytes.toStdString()));
        // "--option=VALUE": the value is checked as the option's own.
        const qsizetype equals = bytes.indexOf('=');
        if (bytes.startsWith("--") && equals > 0) {
            const QByteArray value = bytes.mid(equals + 1);
            undecodable.insert(QFile::decodeName(value) + mark, escapedName(value.toStdString()));
        }
    }
    return parse(commandLine, undecodable, maybeFolder);
}

namespace {

StartArguments parse(const QStringList& commandLine, const Undecodable& undecodable,
                     const MaybeFolder& maybeFolder)
{
    QCommandLineParser parser;
    // Not addHelpOption: its --help-all lists the toolkit's options, which this parser refuses.
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    parser.addOption(help);
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    parser.addOption(version);
    const QCommandLineOption project(
        QStringLiteral("project"),
        QStringLiteral("The folder that holds the vocabulary \"tags\" and receives "
                       "\"index2tag.csv\" (default: the working directory)."),
        QStringLiteral("DIR"));
    parser.addOption(project);
    describe(parser);
    if (!parser.parse(commandLine))
        return mistake(withoutMarks(parser.errorText()));

    StartArguments arguments;
    if (parser.isSet(help)) {
        arguments.request = StartArguments::Request::Help;
        arguments.text = helpText(parser);
        return arguments;
    }
    if (parser.isSet(version)) {
        arguments.request = StartArguments::Request::Version;
        arguments.text = QStringLiteral("%1 %2\n").arg(QLatin1String(programName),
                                                       QStringLiteral(QUADROTAG_VERSION));
        return arguments;
    }
    const QString unreadable = undecodableOptionValue(parser, undecodable);
    if (!unreadable.isEmpty())
        return mistake(QStringLiteral("name can't be read as text: ") + unreadable);
    if (parser.isSet(project)) {
        const QString folder = parser.value(project);
        if (!QFileInfo(folder).isDir())
            return mistake(QStringLiteral("no such project folder: ") + folder);
        // An empty tag table would be remembered as the project's.
        if (!holdsVocabulary(folder))
            return mistake(
                QStringLiteral("no readable vocabulary \"tags\" in the project folder: ") + folder);
        arguments.projectFolder = absolute(folder);
    }
    QString problem;
    if (!takeBatch(parser.positionalArguments(), undecodable, arguments, problem, maybeFolder))
        return mistake(problem);
    // Nothing left to open is no start from the desktop menu.
    if (arguments.folder.isEmpty() && arguments.images.isEmpty() &&
        !arguments.undecodable.isEmpty())
        return mistake(QStringLiteral("name can't be read as text: ") +
                       arguments.undecodable.join(QStringLiteral(", ")));
    return arguments;
}

} // namespace

OpenedProject openedProjectOf(const QString& path)
{
    OpenedProject opened;
    opened.folder = path.isEmpty() ? QString() : projectAbove(path);
    opened.holdsVocabulary = holdsVocabulary(opened.folder);
    return opened;
}

QString openedByStart(const StartArguments& arguments)
{
    return !arguments.folder.isEmpty()  ? arguments.folder
           : arguments.images.isEmpty() ? QString()
                                        : arguments.images.first();
}

QString projectForStart(const StartArguments& arguments, const QString& workingFolder,
                        bool* openedKnown, const std::optional<OpenedProject>& lookedAt)
{
    if (openedKnown)
        *openedKnown = false;
    if (!arguments.projectFolder.isEmpty())
        return arguments.projectFolder;
    const QString first = openedByStart(arguments);
    // What is opened belongs to its nearest project, which may lie inside the working folder's.
    const OpenedProject opened = lookedAt ? *lookedAt : openedProjectOf(first);
    if (openedKnown)
        *openedKnown = !first.isEmpty() && opened.folder.isEmpty();
    // One whose vocabulary can't be read is not opened: the batch then refuses its images.
    if (opened.holdsVocabulary) {
        if (openedKnown)
            *openedKnown = true;
        return opened.folder;
    }
    return holdsVocabulary(workingFolder) ? workingFolder : QString();
}
