#include "reportoptions.h"

#include "commandline.h"

namespace {

const char description[] =
    "Writes one HTML page about a dataset folder for a lead to look at: progress per\n"
    "folder and per day, the operators' saves and pace from their logs, the tags,\n"
    "styles and shapes, the problems that quadrotag-export --check finds, the\n"
    "reviews, and with --against the agreement with a second operator's copy, as\n"
    "quadrotag-agree measures it. The page needs no network and no script: charts\n"
    "are drawn in it and the thumbnails are inside it. With --json the same figures\n"
    "go to standard output as one JSON object and no page is written.\n"
    "\n"
    "Exit codes:\n"
    "  0  the page (or the JSON) was written\n"
    "  2  bad command line, a missing folder or vocabulary, or a page that cannot\n"
    "     be written";

} // namespace

bool parseReportOptions(const QStringList& arguments, ReportOptions& options, int& exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    const VocabularyOptions vocabularyOptions;
    const QCommandLineOption againstOption(
        QStringLiteral("against"),
        QStringLiteral("A second operator's copy of FOLDER; adds the agreement."),
        QStringLiteral("FOLDER2"));
    const QCommandLineOption outputOption(
        QStringLiteral("output"), QStringLiteral("The page to write (default \"report.html\")."),
        QStringLiteral("FILE"), options.output);
    const QCommandLineOption jsonOption(
        QStringLiteral("json"), QStringLiteral("Print the figures as one JSON object instead."));
    parser.addOptions({vocabularyOptions.vocabulary, againstOption, outputOption, jsonOption});
    parser.addPositionalArgument(QStringLiteral("FOLDER"),
                                 QStringLiteral("The folder searched for *.jpg images."));
    if (!parseCommandLine(parser, arguments, exitCode))
        return false;
    QStringList positional;
    if (!takePositionals(parser, 1, QStringLiteral("no FOLDER given"),
                         QStringLiteral("only one FOLDER can be given"), positional, exitCode))
        return false;
    options.dataset = positional.first();
    options.against = parser.value(againstOption);
    options.vocabulary = parser.value(vocabularyOptions.vocabulary);
    options.output = parser.value(outputOption);
    options.json = parser.isSet(jsonOption);
    return true;
}
