#ifndef QUADROTAG_DATASETCOMPARISON_H
#define QUADROTAG_DATASETCOMPARISON_H

#include "agreementtally.h"
#include "agreeoptions.h"
#include "consolereport.h"
#include "quadgeometry.h"
#include "taglayout.h"

#include <QString>

#include <cstdio>
#include <memory>
#include <vector>

class DatasetWalk;
class ImageAnnotation;
struct Label;

// One run of quadrotag-agree: walks the first folder one folder at a time, compares each
// image labelled in both folders as soon as it is read, and prints the tally at the end.
class DatasetComparison
{
public:
    // The result goes to out; problems of single files go through the report.
    DatasetComparison(const AgreeOptions& options, ConsoleReport& report, std::FILE* out);

    // exitDone, or exitUnusable when a folder or the vocabulary cannot be used.
    int run();
    // The comparison alone, nothing printed; false when a folder or the vocabulary can't be
    // used.
    bool compare();
    // The tally of a finished comparison.
    const AgreementTally& result() const { return *tally; }

private:
    bool prepare();
    void compareFolder(const DatasetWalk& walk, const QString& folder);
    void compareImage(const QString& relativePath);
    // The shapes that can be compared, and their corners; false when the file can't be read.
    bool readShapes(const QString& labelPath, ImageAnnotation& annotation,
                    std::vector<Quad>& corners);
    bool keepShape(const QString& labelPath, int index, const Label& label);

    const AgreeOptions& options;
    ConsoleReport& report;
    std::FILE* out;
    TagLayout layout;
    std::unique_ptr<AgreementTally> tally;
};

#endif
