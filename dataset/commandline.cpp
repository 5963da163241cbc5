#include "commandline.h"

#include "exitcode.h"

#include <QCoreApplication>

#include <cmath>
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

bool takePositionals(const QCommandLineParser& parser, qsizetype count, const QString& fewer,
                     const QString& more, QStringList& positional, int& exitCode)
{
    positional = parser.positionalArguments();
    if (positional.size() == count)
        return true;
    exitCode = usageError(positional.size() < count ? fewer : more);
    return false;
}

bool takeFormat(const QCommandLineParser& parser, const QCommandLineOption& option,
                DatasetFormat& format, int& exitCode)
{
    if (formatFromName(parser.value(option), format))
        return true;
    exitCode = usageError(QStringLiteral("unknown format \"%1\"; use coco, yolo-obb or dota")
                              .arg(parser.value(option)));
    return false;
}

bool takeNumber(const QCommandLineParser& parser, const QCommandLineOption& option, double least,
                double most, const QString& wanted, double& number, int& exitCode)
{
    bool isNumber = false;
    const double value = parser.value(option).toDouble(&isNumber);
    if (isNumber && std::isfinite(value) && value >= least && value <= most) {
        number = value;
        return true;
    }
    exitCode = usageError(QStringLiteral("--%1 needs %2, not \"%3\"")
                              .arg(option.names().constFirst(), wanted, parser.value(option)));
    return false;
}
