#include "relabeloptions.h"

#include "commandline.h"
#include "consolereport.h"

#include <QCommandLineParser>

#include <cstdio>

namespace {

const char description[] =
    "Moves the tags of existing label files to the cells of a changed vocabulary.\n"
    "Label files store only the (row, column) of each tag's cell; OLD_INDEX (the\n"
    "index2tag.csv written with the old vocabulary) gives each old cell's caption, and\n"
    "the vocabulary gives the cell that has that caption now. Every *.lbl below each\n"
    "DATASET is translated, the proposals in .proposals folders and the recovery\n"
    "files .<name>.lbl.recovery and the operators' kept files in .quadrotag/kept too;\n"
    "other hidden files and hidden folders are left alone. A caption in two cells of\n"
    "the old index or the new vocabulary is a problem. Problems are listed on standard\n"
    "output as \"path: message\", and a file with a problem is left untouched.\n"
    "\n"
    "A run that is stopped can be started again with the same command: the journal\n"
    "DATASET/.quadrotag-relabel.journal tells which files it already translated.\n"
    "Once a run has finished, the same command says so and touches nothing.\n"
    "After a complete run without problems, index2tag.csv beside the vocabulary\n"
    "describes the new vocabulary; the old one is kept as index2tag-<date-time>.csv.\n"
    "\n"
    "Exit codes:\n"
    "  0  done, no problems found\n"
    "  1  problems found; the files with problems were left untouched\n"
    "  2  bad command line, unreadable index or vocabulary, missing dataset folder,\n"
    "     an unfinished run of another relabelling, or a file that cannot be written";

bool parseRenames(const QStringList& values, RelabelOptions& options, int& exitCode)
{
    for (const QString& value : values) {
        const qsizetype split = value.indexOf(QLatin1Char('='));
        if (split <= 0 || split == value.size() - 1) {
            exitCode = usageError(
                QStringLiteral("--map needs \"OLD CAPTION=NEW CAPTION\", not \"%1\"").arg(value));
            return false;
        }
        options.renames.emplace_back(value.left(split), value.mid(split + 1));
    }
    return true;
}

} // namespace

bool parseRelabelOptions(const QStringList& arguments, RelabelOptions& options, int& exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    const QCommandLineOption fromOption(
        QStringLiteral("from"), QStringLiteral("The tag index of the old vocabulary (required)."),
        QStringLiteral("OLD_INDEX"));
    const QCommandLineOption vocabularyOption(
        QStringLiteral("vocabulary"), QStringLiteral("The new vocabulary file (default \"tags\")."),
        QStringLiteral("FILE"), options.vocabulary);
    const QCommandLineOption mapOption(
        QStringLiteral("map"),
        QStringLiteral("A tag renamed on the way, by its captions; may be repeated."),
        QStringLiteral("OLD CAPTION=NEW CAPTION"));
    const QCommandLineOption dropOption(
        QStringLiteral("drop-missing"),
        QStringLiteral("Drop tags whose caption the new vocabulary lacks (and shapes left "
                       "without tags) instead of leaving their files untouched."));
    const QCommandLineOption dryRunOption(QStringLiteral("dry-run"),
                                          QStringLiteral("Write nothing; list what would change."));
    parser.addOptions({fromOption, vocabularyOption, mapOption, dropOption, dryRunOption});
    parser.addPositionalArgument(QStringLiteral("DATASET"),
                                 QStringLiteral("Folders searched for label files."),
                                 QStringLiteral("DATASET..."));

    if (!parseCommandLine(parser, arguments, exitCode))
        return false;

    options.datasets = parser.positionalArguments();
    if (options.datasets.isEmpty()) {
        exitCode = usageError(QStringLiteral("no DATASET folder given"));
        return false;
    }
    if (!parser.isSet(fromOption)) {
        exitCode = usageError(QStringLiteral("--from OLD_INDEX is needed"));
        return false;
    }
    options.from = parser.value(fromOption);
    options.vocabulary = parser.value(vocabularyOption);
    options.dropMissing = parser.isSet(dropOption);
    options.dryRun = parser.isSet(dryRunOption);
    return parseRenames(parser.values(mapOption), options, exitCode);
}
