#ifndef QUADROTAG_DATASETREPORT_H
#define QUADROTAG_DATASETREPORT_H

#include "reportoptions.h"

#include <QString>

class ConsoleReport;

// One run of quadrotag-report: counts the dataset as quadrotag-export --stats does, gathers the
// page's finer figures from the same images, compares with the second copy as quadrotag-agree
// does, and writes the page or the JSON.
class DatasetReport
{
public:
    DatasetReport(const ReportOptions& options, ConsoleReport& report);

    // exitDone, or exitUnusable when an input can't be used or the page can't be written.
    int run();
    // Why the last run failed, for a window to say; empty after a run that worked.
    QString failure() const { return failureText; }

private:
    int fail(const QString& message);

    const ReportOptions& options;
    ConsoleReport& report;
    QString failureText;
};

#endif
