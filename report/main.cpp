#include "consolereport.h"
#include "datasetreport.h"
#include "reportoptions.h"

#include <QCoreApplication>

#include <cstdio>

#include <unistd.h>

namespace {
// A run shorter than this needs no progress line.
const qint64 progressDelayMs = 2000;
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quadrotag-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUADROTAG_VERSION));

    ReportOptions options;
    int exitCode = exitDone;
    if (!parseReportOptions(QCoreApplication::arguments(), options, exitCode))
        return exitCode;
    ConsoleReport report(QCoreApplication::applicationName(), stderr, stderr,
                         ::isatty(::fileno(stderr)) != 0);
    report.setProgressDelay(progressDelayMs);
    return DatasetReport(options, report).run();
}
