#ifndef QUADROTAG_DATASETEXPORTER_H
#define QUADROTAG_DATASETEXPORTER_H

#include "classtable.h"
#include "consolereport.h"
#include "countedimagelistener.h"
#include "datasetstatistics.h"
#include "datasetwalk.h"
#include "datasetwriter.h"
#include "exportoptions.h"
#include "imagechecker.h"
#include "stemregistry.h"

#include "taglayout.h"

#include <QString>
#include <QStringList>

#include <memory>

// One run of quadrotag-export: reads the vocabulary, walks the dataset folder one folder at
// a time, checks every image and label file, and hands what passed to the format's writer.
class DatasetExporter
{
public:
    DatasetExporter(const ExportOptions& options, ConsoleReport& report);

    // The exit code: exitDone, exitProblems or exitUnusable.
    int run();

    // Told of every image counted; only with --stats.
    void setListener(CountedImageListener* imageListener) { listener = imageListener; }
    // The counts of a finished run with --stats; null otherwise.
    const DatasetStatistics* statisticsResult() const { return statistics.get(); }
    const TagLayout& vocabulary() const { return layout; }

private:
    bool prepareInputs();
    std::unique_ptr<DatasetWriter> makeWriter() const;
    bool exportFolder(const QString& folder, ImageChecker& checker, DatasetWriter* writer);
    bool exportImage(const QString& relativePath, bool hasLabelFile, const QByteArray* labelBytes,
                     ImageChecker& checker, DatasetWriter* writer);
    bool hasUniqueStem(const QString& relativePath, DatasetWriter* writer);
    QString firstImageNamed(const QString& stem) const;
    QString datasetPath(const QString& relativePath) const;
    int finish(DatasetWriter* writer, const ImageChecker& checker);
    QString tally(const ImageChecker& checker) const;
    void countImage(const ExportImage& image, bool hasLabelFile, const ImageChecker& checker);
    // With --accepted-only, whether the image's review is accepted and current.
    // The label file's bytes that were judged accepted are left in acceptedBytes, so that the
    // export writes exactly what the lead's verdict covers.
    bool isReviewedEnough(const QString& relativePath, bool hasLabelFile,
                          QByteArray& acceptedBytes);

    const ExportOptions& options;
    ConsoleReport& report;
    TagLayout layout;
    ClassTable classes;
    DatasetWalk walk;
    QStringList folders;
    std::unique_ptr<StemRegistry> stems;
    // Only with --stats; made once the vocabulary is read.
    std::unique_ptr<DatasetStatistics> statistics;
    long long imagesFound = 0;
    long long imagesLeftOut = 0;
    long long shapesLostWithImages = 0;
    long long shapesWritten = 0;
    long long imagesNotAccepted = 0;
    CountedImageListener* listener = nullptr;
};

#endif
