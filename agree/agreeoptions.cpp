#include "agreeoptions.h"

#include "commandline.h"

namespace {

const char description[] =
    "Measures how far two operators agree who labelled copies of one dataset.\n"
    "Every image (*.jpg, *.jpeg, *.png, *.webp, *.tif, *.tiff, *.bmp) below FOLDER_A\n"
    "whose label file exists in both folders (at the same path relative to each\n"
    "folder) is compared. The shapes of an image are paired so that the summed\n"
    "polygon IoU is the largest possible, over pairs whose IoU reaches the\n"
    "threshold; shapes left without a partner count as only A or only B.\n"
    "For every tag that a paired shape carries, the pairs with the tag on both sides,\n"
    "on one side only, and Cohen's kappa; for the style of the images, agreement and\n"
    "Cohen's kappa over the sixteen styles; and the ten images with the most shapes\n"
    "left without a partner. Problems of single files go to standard error.\n"
    "\n"
    "Exit codes:\n"
    "  0  done\n"
    "  2  bad command line, missing folder or unreadable vocabulary";

} // namespace

bool parseAgreeOptions(const QStringList& arguments, AgreeOptions& options, int& exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    const VocabularyOptions vocabularyOptions;
    const QCommandLineOption iouOption(
        QStringLiteral("iou"),
        QStringLiteral("The least IoU of two shapes that may be paired, 0 to 1 (default 0.5)."),
        QStringLiteral("T"), QStringLiteral("0.5"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Print one JSON object."));
    parser.addOptions({iouOption, jsonOption, vocabularyOptions.vocabulary});
    parser.addPositionalArgument(QStringLiteral("FOLDER_A"),
                                 QStringLiteral("The dataset as the first operator labelled it."));
    parser.addPositionalArgument(QStringLiteral("FOLDER_B"),
                                 QStringLiteral("The same dataset as the second one did."));

    if (!parseCommandLine(parser, arguments, exitCode))
        return false;
    const QString twoFolders = QStringLiteral("two folders are needed, FOLDER_A and FOLDER_B");
    QStringList positional;
    // A pair that shares nothing is never matched, so 0 means "any overlap".
    if (!takePositionals(parser, 2, twoFolders, twoFolders, positional, exitCode) ||
        !takeNumber(parser, iouOption, 0, 1, QStringLiteral("a number from 0 to 1"),
                    options.iouThreshold, exitCode))
        return false;
    options.json = parser.isSet(jsonOption);
    options.vocabulary = parser.value(vocabularyOptions.vocabulary);
    options.folderA = positional[0];
    options.folderB = positional[1];
    return true;
}
