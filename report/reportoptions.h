#ifndef QUADROTAG_REPORTOPTIONS_H
#define QUADROTAG_REPORTOPTIONS_H

#include <QString>
#include <QStringList>

// What one run of quadrotag-report is asked to do.
struct ReportOptions
{
    QString dataset;
    // A second operator's copy of the dataset; empty for no agreement section.
    QString against;
    QString vocabulary = QStringLiteral("tags");
    QString output = QStringLiteral("report.html");
    bool json = false;
};

// Parses the command line into options. Prints the help or the version and sets exitCode
// to exitDone when asked for them; prints the error and sets exitUnusable on a bad command
// line. Returns true only when the run should go on.
bool parseReportOptions(const QStringList& arguments, ReportOptions& options, int& exitCode);

#endif
