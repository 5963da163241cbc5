#include "importoptions.h"

#include <limits>

namespace {

const char description[] =
    "Reads a model's predictions and writes them as proposals beside the images of\n"
    "DATASET: one label file per image at <image folder>/.proposals/<image name>.lbl,\n"
    "for the operator to review; an image without predictions gets none. Label files\n"
    "are never touched. Class names are matched to the vocabulary's tags by name.\n"
    "Predictions with an unknown class, crossed edges or a corner more than one pixel\n"
    "outside the image are listed on standard output as \"path: message\" and left\n"
    "out; corners within one pixel are moved onto the border. The others are imported.\n"
    "COCO names images by their path in DATASET; the text formats by the image's name\n"
    "without its extension, so an image whose name another image shares gets none.\n"
    "\n"
    "PREDICTIONS by format:\n"
    "  coco      instances.json, or a results list with image_id, category_id,\n"
    "            segmentation or bbox, and score, read with --images\n"
    "  yolo-obb  the folder with data.yaml and labels/<image name>.txt\n"
    "  dota      the folder with labelTxt/<image name>.txt or Task1_<class>.txt\n"
    "\n"
    "Exit codes:\n"
    "  0  done, no problems found\n"
    "  1  problems found; the other predictions were imported\n"
    "  2  bad command line, missing or unreadable predictions, dataset folder or\n"
    "     vocabulary; nothing was written";

} // namespace

bool parseImportOptions(const QStringList& arguments, ImportOptions& options, int& exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    const VocabularyOptions vocabularyOptions;
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("coco, yolo-obb or dota."),
                                          QStringLiteral("FORMAT"));
    const QCommandLineOption minScoreOption(
        QStringLiteral("min-score"),
        QStringLiteral("Leave out predictions whose score is below S (default 0)."),
        QStringLiteral("S"), QStringLiteral("0"));
    const QCommandLineOption imagesOption(
        QStringLiteral("images"),
        QStringLiteral("The COCO instances.json that a results list was predicted on; its "
                       "images and categories name the list's ids."),
        QStringLiteral("FILE"));
    const QCommandLineOption replaceOption(
        QStringLiteral("replace"), QStringLiteral("Replace proposals left by an earlier import."));
    parser.addOptions({vocabularyOptions.vocabulary, vocabularyOptions.classes, formatOption,
                       minScoreOption, imagesOption, replaceOption});
    parser.addPositionalArgument(QStringLiteral("PREDICTIONS"),
                                 QStringLiteral("The model's predictions."));
    parser.addPositionalArgument(QStringLiteral("DATASET"),
                                 QStringLiteral("The folder of the images."));

    if (!parseCommandLine(parser, arguments, exitCode))
        return false;
    const QString bothNeeded = QStringLiteral("PREDICTIONS and DATASET are needed");
    QStringList positional;
    if (!takePositionals(parser, 2, bothNeeded, bothNeeded, positional, exitCode))
        return false;
    options.predictions = positional.at(0);
    options.dataset = positional.at(1);
    options.vocabulary = parser.value(vocabularyOptions.vocabulary);
    options.classCategory = parser.value(vocabularyOptions.classes);
    options.replace = parser.isSet(replaceOption);
    options.images = parser.value(imagesOption);
    const double unbounded = std::numeric_limits<double>::max();
    return takeFormat(parser, formatOption, options.format, exitCode) &&
           takeNumber(parser, minScoreOption, -unbounded, unbounded, QStringLiteral("a number"),
                      options.minScore, exitCode);
}
