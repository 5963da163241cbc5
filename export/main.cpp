#include "consolereport.h"
#include "datasetexporter.h"
#include "exportoptions.h"

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
    return DatasetExporter(options, report).run();
}
