#ifndef QUADROTAG_EXPORTOPTIONS_H
#define QUADROTAG_EXPORTOPTIONS_H

#include "commandline.h"
#include "exitcode.h"

#include <QString>
#include <QStringList>

// What one run of quadrotag-export is asked to do.
struct ExportOptions
{
    QString dataset;
    QString vocabulary = QStringLiteral("tags");
    QString classCategory;
    DatasetFormat format = DatasetFormat::Coco;
    QString output;
    bool checkOnly = false;
    // Counts instead of the check's list; implies checkOnly.
    bool stats = false;
    // False when the counts are kept for the caller instead of printed.
    bool printStats = true;
    bool json = false;
    bool force = false;
    // Only images whose review is accepted and still matches the label file.
    bool acceptedOnly = false;
};

// Parses the command line into options. Prints the help or the version and sets exitCode
// to exitDone when asked for them; prints the error and sets exitUnusable on a bad command
// line. Returns true only when the run should go on.
bool parseExportOptions(const QStringList& arguments, ExportOptions& options, int& exitCode);

#endif
