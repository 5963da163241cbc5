#ifndef QUADROTAG_DATASETRELABELLER_H
#define QUADROTAG_DATASETRELABELLER_H

#include "consolereport.h"
#include "relabeljournal.h"
#include "relabeloptions.h"
#include "tagindex.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class ImageAnnotation;
class TagTranslation;

// One run of quadrotag-relabel: reads the old index and the new vocabulary, walks every
// dataset folder one folder at a time, moves the tags of each label file and replaces the
// files whose tags moved. After a complete run without problems the tag index beside the
// vocabulary describes the new vocabulary.
class DatasetRelabeller
{
public:
    DatasetRelabeller(const RelabelOptions& options, ConsoleReport& report);
    ~DatasetRelabeller();

    int run();

    // Ends the run at once, without any clean-up, before the step after this many writes,
    // as if the process were killed there; run() then returns exitInterrupted.
    void stopAfterWrites(int writes) { writesLeft = writes; }
    // Runs before each write, as another program acting meanwhile would.
    void callBeforeEachWrite(std::function<void()> call) { beforeEachWrite = std::move(call); }
    static const int exitInterrupted = -1;

private:
    struct Dataset
    {
        QString path;
        std::unique_ptr<RelabelJournal> journal;
    };

    bool prepare();
    bool readInputs();
    bool openDatasets();
    // Before any write, and once more at the end: atEnd says which.
    bool checkHolders(bool atEnd);
    bool relabelFolder(Dataset& dataset, const QString& folder);
    bool relabelFile(Dataset& dataset, const QString& relativePath);
    bool replaceFile(Dataset& dataset, const QString& relativePath, const QString& path,
                     const QByteArray& bytes, const QByteArray& translated, bool journaled);
    bool finishRun();
    bool updateIndex();
    bool mayWrite();
    QString summary() const;

    const RelabelOptions& options;
    ConsoleReport& report;
    TagIndex before;
    TagIndex after;
    std::unique_ptr<TagTranslation> translation;
    std::vector<Dataset> datasets;
    int writesLeft = -1;
    std::function<void()> beforeEachWrite;
    bool interrupted = false;
    long long filesFound = 0;
    long long filesRelabelled = 0;
    long long filesDoneBefore = 0;
    long long filesLeftUntouched = 0;
};

#endif
