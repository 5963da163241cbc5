#include "consolereport.h"
#include "datasetexporter.h"
#include "exportoptions.h"
#include "stopsignals.h"

#include <QCoreApplication>

#include <cstdio>

#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quadrotag-export"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUADROTAG_VERSION));

    ExportOptions options;
    int exitCode = exitDone;
    if (!parseExportOptions(QCoreApplication::arguments(), options, exitCode))
        return exitCode;
    // With --stats, standard output holds the counts alone.
    ConsoleReport report(QCoreApplication::applicationName(), options.stats ? stderr : stdout,
                         stderr, ::isatty(::fileno(stderr)) != 0);
    StopSignals::install();
    // Caught here so that the exporter's scratch folders are removed as the stack unwinds.
    try {
        const int code = DatasetExporter(options, report).run();
        return StopSignals::received() != 0 ? 128 + StopSignals::received() : code;
    } catch (const StopSignals::Stopped&) {
        return 128 + StopSignals::received();
    }
}
