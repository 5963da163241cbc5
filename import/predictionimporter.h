#ifndef QUADROTAG_PREDICTIONIMPORTER_H
#define QUADROTAG_PREDICTIONIMPORTER_H

#include "classtable.h"
#include "cocopredictionreader.h"
#include "consolereport.h"
#include "datasetwalk.h"
#include "importoptions.h"
#include "prediction.h"
#include "predictionspool.h"
#include "proposalbuilder.h"
#include "stemregistry.h"

#include "taglayout.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

// One run of quadrotag-import: reads the vocabulary and the predictions and writes a proposal
// for every image that the predictions name without doubt, one image at a time.
class PredictionImporter
{
public:
    PredictionImporter(const ImportOptions& options, ConsoleReport& report);

    // The exit code: exitDone, exitProblems or exitUnusable.
    int run();

private:
    bool prepareInputs();
    bool importCoco();
    bool readCoco(const QString& path, CocoPredictionReader& coco);
    bool readPredictedImages(CocoPredictionReader& results);
    QStringList classNames() const;
    bool importTextFiles();
    // Label files whose stem no image has; claims those stems in imageStems.
    void reportUnmatchedFiles(StemRegistry& imageStems);
    void findSharedStems(const QStringList& folders, StemRegistry& seen, QSet<QString>& shared);
    bool hasPredictions(const QString& stem) const;
    bool prepareTextFiles();
    bool spoolTask1Files();
    std::vector<Prediction> predictionsOfImage(const QString& stem);
    std::vector<Prediction> readPredictionFile(const QString& path);
    std::vector<Prediction> takeTask1(const QString& stem);
    bool parseLine(const QByteArray& line, Prediction& prediction, QString& error) const;
    bool isInsideDataset(const QString& relativePath) const;
    void importImage(const QString& relativePath, int styleIndex,
                     const std::vector<Prediction>& predictions);
    void writeProposal(const QString& imagePath, const ImageAnnotation& proposal);
    int finish();

    enum class TextLayout { YoloObb, DotaLabels, DotaTask1 };

    const ImportOptions& options;
    ConsoleReport& report;
    TagLayout layout;
    ClassTable classes;
    DatasetWalk walk;
    ProposalBuilder builder;
    TextLayout textLayout = TextLayout::YoloObb;
    QString labelFolder;
    QStringList yoloNames;
    QStringList task1Files;
    PredictionSpool task1Spool;
    QSet<QString> sweptFolders;
    long long imagesRead = 0;
    long long proposalsWritten = 0;
    long long proposalsKept = 0;
    long long imagesLabelled = 0;
};

#endif
