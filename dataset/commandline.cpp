#include "commandline.h"

#include "exitcode.h"

#include <QCoreApplication>

#include <cstdio>

VocabularyOptions::VocabularyOptions()
    : vocabulary(QStringLiteral("vocabulary"),
                 QStringLiteral("The vocabulary file (default \"tags\")."), QStringLiteral("FILE"),
                 QStringLiteral("tags")),
      classes(QStringLiteral("classes"),
              QStringLiteral("Take the classes from the tags of this vocabulary category "
                             "instead of the single tags."),
              QStringLiteral("CATEGORY"))
{
}

namespace {

struct FormatName
{
    const char* name;
    DatasetFormat format;
};

const FormatName formatNames[] = {
    {"coco", DatasetFormat::Coco},
    {"yolo-obb", DatasetFormat::YoloObb},
    {"dota", DatasetFormat::Dota},
};

} // namespace

bool formatFromName(const QString& name, DatasetFormat& format)
{
    for (const FormatName& entry : formatNames) {
        if (name == QLatin1String(entry.name)) {
            format = entry.format;
            return true;
        }
    }
    return false;
}

int usageError(const QString& message)
{
    const QByteArray program = QCoreApplication::applicationName().toLocal8Bit();
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.constData(), qPrintable(message),
                 program.constData());
    return exitUnusable;
}

bool parseCommandLine(QCommandLineParser& parser, const QStringList& arguments, int& exitCode)
{
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    if (!parser.parse(arguments)) {
        exitCode = usageError(parser.errorText());
        return false;
    }
    if (parser.isSet(helpOption))
        parser.showHelp(exitDone);
    if (parser.isSet(versionOption))
        parser.showVersion();
    return true;
}
