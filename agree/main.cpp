#include "agreeoptions.h"
#include "consolereport.h"
#include "datasetcomparison.h"

#include <QCoreApplication>

#include <cstdio>

#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quadrotag-agree"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUADROTAG_VERSION));

    AgreeOptions options;
    int exitCode = exitDone;
    if (!parseAgreeOptions(QCoreApplication::arguments(), options, exitCode))
        return exitCode;
    // Standard output holds the result alone; problems of single files go to standard error.
    ConsoleReport report(QCoreApplication::applicationName(), stderr, stderr,
                         ::isatty(::fileno(stderr)) != 0);
    return DatasetComparison(options, report, stdout).run();
}
