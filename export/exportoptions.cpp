#include "exportoptions.h"

#include "commandline.h"

namespace {

const char description[] =
    "Turns the label files of a folder of images into a dataset for training.\n"
    "Every image (*.jpg, *.jpeg, *.png, *.webp, *.tif, *.tiff, *.bmp) below DATASET\n"
    "is exported with the shapes of its .lbl file; the vocabulary gives the tags\n"
    "their names. Before exporting, every label file is checked; problems are\n"
    "listed on standard output as \"path: shape N: message\" (shapes counted from 1)\n"
    "and stop the export unless --force is given.\n"
    "\n"
    "With --stats, nothing is exported: the dataset is checked and the counts of what\n"
    "the export would write are printed on standard output (images labelled,\n"
    "unlabelled, with a proposal and without shapes; shapes and images per tag;\n"
    "images per style; shapes per labelled image), as a table or with --json as one\n"
    "JSON object; the problems then go to standard error.\n"
    "\n"
    "With --accepted-only, only the images that a lead accepted, and whose label\n"
    "file has not changed since, are checked, counted and exported.\n"
    "\n"
    "Formats:\n"
    "  coco      DIR/instances.json\n"
    "  yolo-obb  DIR/data.yaml and DIR/labels/<image name>.txt\n"
    "  dota      DIR/labelTxt/<image name>.txt\n"
    "The labels or labelTxt folder is replaced whole by the next export; one that an\n"
    "export did not make is refused.\n"
    "\n"
    "Exit codes:\n"
    "  0  done, no problems found\n"
    "  1  problems found (with --force the export was still written)\n"
    "  2  bad command line, missing dataset folder or vocabulary, an output folder\n"
    "     that cannot be written, or a labels or labelTxt folder that an export did\n"
    "     not make; nothing was written";

} // namespace

bool parseExportOptions(const QStringList& arguments, ExportOptions& options, int& exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    const VocabularyOptions vocabularyOptions;
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("coco (default), yolo-obb or dota."),
                                          QStringLiteral("FORMAT"), QStringLiteral("coco"));
    const QCommandLineOption outputOption(
        QStringLiteral("output"),
        QStringLiteral("The folder to write the dataset into; created if missing."),
        QStringLiteral("DIR"));
    const QCommandLineOption checkOption(QStringLiteral("check"),
                                         QStringLiteral("Only check; write nothing."));
    const QCommandLineOption forceOption(
        QStringLiteral("force"), QStringLiteral("Export in spite of problems, leaving out the "
                                                "shapes and images that have them."));
    const QCommandLineOption statsOption(
        QStringLiteral("stats"),
        QStringLiteral("Check and print the dataset's counts; write nothing."));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("With --stats: print one JSON object."));
    const QCommandLineOption acceptedOnlyOption(
        QStringLiteral("accepted-only"),
        QStringLiteral("Only images whose review is accepted and current (the label file "
                       "unchanged since)."));
    parser.addOptions({vocabularyOptions.vocabulary, vocabularyOptions.classes, formatOption,
                       outputOption, checkOption, forceOption, statsOption, jsonOption,
                       acceptedOnlyOption});
    parser.addPositionalArgument(QStringLiteral("DATASET"),
                                 QStringLiteral("The folder searched for images."));

    if (!parseCommandLine(parser, arguments, exitCode))
        return false;

    QStringList positional;
    if (!takePositionals(parser, 1, QStringLiteral("no DATASET folder given"),
                         QStringLiteral("only one DATASET folder can be given"), positional,
                         exitCode))
        return false;
    options.dataset = positional.first();
    options.vocabulary = parser.value(vocabularyOptions.vocabulary);
    options.classCategory = parser.value(vocabularyOptions.classes);
    options.output = parser.value(outputOption);
    options.stats = parser.isSet(statsOption);
    options.json = parser.isSet(jsonOption);
    options.checkOnly = parser.isSet(checkOption) || options.stats;
    options.force = parser.isSet(forceOption);
    options.acceptedOnly = parser.isSet(acceptedOnlyOption);
    if (!takeFormat(parser, formatOption, options.format, exitCode))
        return false;
    if (options.json && !options.stats) {
        exitCode = usageError(QStringLiteral("--json goes with --stats"));
        return false;
    }
    if (!options.checkOnly && options.output.isEmpty()) {
        exitCode = usageError(QStringLiteral("--output DIR is needed unless --check is given"));
        return false;
    }
    return true;
}
