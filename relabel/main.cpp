#include "consolereport.h"
#include "datasetrelabeller.h"
#include "relabeloptions.h"

#include <QCoreApplication>

#include <cstdio>

#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quadrotag-relabel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUADROTAG_VERSION));

    RelabelOptions options;
    int exitCode = exitDone;
    if (!parseRelabelOptions(QCoreApplication::arguments(), options, exitCode))
        return exitCode;
    ConsoleReport report(QCoreApplication::applicationName(), stdout, stderr,
                         ::isatty(::fileno(stderr)) != 0, QStringLiteral("label files"));
    return DatasetRelabeller(options, report).run();
}
