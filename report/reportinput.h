#ifndef QUADROTAG_REPORTINPUT_H
#define QUADROTAG_REPORTINPUT_H

#include "agreementtally.h"
#include "datasetstatistics.h"
#include "reportfigures.h"

#include <QDateTime>
#include <QString>

// Everything one page shows: the exporter's counts, the finer figures of the same images, and
// the agreement when a second copy was compared.
struct ReportInput
{
    QString dataset;
    QDateTime made;
    const DatasetStatistics& statistics;
    int problems = 0;
    const ReportFigures& figures;
    // Null without a second copy.
    const AgreementTally* agreement = nullptr;
    QString against;
};

#endif
