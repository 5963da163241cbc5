#include "consolereport.h"
#include "importoptions.h"
#include "predictionimporter.h"
#include "stopsignals.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>

#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quadrotag-import"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUADROTAG_VERSION));

    ImportOptions options;
    int exitCode = exitDone;
    if (!parseImportOptions(QCoreApplication::arguments(), options, exitCode))
        return exitCode;
    ConsoleReport report(QCoreApplication::applicationName(), stdout, stderr,
                         ::isatty(::fileno(stderr)) != 0);
    StopSignals::install();
    // Caught here so that the importer's scratch folders are removed as the stack unwinds.
    try {
        const int code = PredictionImporter(options, report).run();
        return StopSignals::received() != 0 ? 128 + StopSignals::received() : code;
    } catch (const StopSignals::Stopped&) {
        return 128 + StopSignals::received();
    } catch (const std::exception& failure) {
        report.error(QStringLiteral("stopped by an unexpected fault: %1").arg(failure.what()));
        return exitUnusable;
    }
}
