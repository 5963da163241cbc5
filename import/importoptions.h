#ifndef QUADROTAG_IMPORTOPTIONS_H
#define QUADROTAG_IMPORTOPTIONS_H

#include "commandline.h"
#include "exitcode.h"

#include <QString>
#include <QStringList>

// What one run of quadrotag-import is asked to do.
struct ImportOptions
{
    QString predictions;
    QString dataset;
    // The COCO instances a results list was predicted on: its images name the list's ids.
    QString images;
    QString vocabulary = QStringLiteral("tags");
    QString classCategory;
    DatasetFormat format = DatasetFormat::Coco;
    double minScore = 0.0;
    bool replace = false;
};

// Parses the command line into options, as parseExportOptions does.
bool parseImportOptions(const QStringList& arguments, ImportOptions& options, int& exitCode);

#endif
