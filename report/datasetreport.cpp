#include "datasetreport.h"

#include "consolereport.h"
#include "datasetcomparison.h"
#include "datasetexporter.h"
#include "reportjson.h"
#include "reportpage.h"

#include <QFileInfo>
#include <QFuture>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentRun>

#include <cstdio>

namespace {

// The page shows two more than the agreement tool names: a row of thumbnails fills better.
const std::size_t worstShown = 12;

} // namespace

DatasetReport::DatasetReport(const ReportOptions& reportOptions, ConsoleReport& consoleReport)
    : options(reportOptions), report(consoleReport)
{
}

int DatasetReport::run()
{
    failureText.clear();
    ExportOptions exportOptions;
    exportOptions.dataset = options.dataset;
    exportOptions.vocabulary = options.vocabulary;
    exportOptions.stats = true;
    exportOptions.checkOnly = true;
    exportOptions.printStats = false;
    ReportFigures figures(options.dataset);
    report.setProblemSink([&figures](const QString& path, const QString& message) {
        figures.addProblem(path, message);
    });
    DatasetExporter exporter(exportOptions, report);
    exporter.setListener(&figures);

    AgreeOptions agreeOptions;
    agreeOptions.folderA = options.dataset;
    agreeOptions.folderB = options.against;
    agreeOptions.vocabulary = options.vocabulary;
    agreeOptions.worstKept = worstShown;
    // Problems of the second copy are no problems of this dataset: they are only told.
    ConsoleReport agreeReport(QStringLiteral("quadrotag-report"), stderr, stderr, false);
    DatasetComparison comparison(agreeOptions, agreeReport, stderr);
    // The two walks share nothing, so the second copy is compared on the other core meanwhile.
    QFuture<bool> compared =
        options.against.isEmpty()
            ? QtFuture::makeReadyFuture(true)
            : QtConcurrent::run([&comparison] { return comparison.compare(); });
    const bool counted = exporter.run() != exitUnusable && exporter.statisticsResult();
    if (!compared.result())
        return fail(QStringLiteral("cannot compare with %1").arg(options.against));
    if (!counted)
        return fail(QStringLiteral("cannot read %1 or the vocabulary %2")
                        .arg(options.dataset, options.vocabulary));

    const ReportInput input{options.dataset,
                            QDateTime::currentDateTime(),
                            *exporter.statisticsResult(),
                            report.problems(),
                            figures,
                            options.against.isEmpty() ? nullptr : &comparison.result(),
                            options.against};
    if (options.json) {
        const QByteArray json = reportJson(input);
        std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout);
        std::fflush(stdout);
        return exitDone;
    }
    // A link or a device at the page's name would be replaced or written through: in a shared
    // folder, a link another operator planted would send the page over a file of their choice.
    const QFileInfo existing(options.output);
    if (existing.isSymLink() || (existing.exists() && !existing.isFile()))
        return fail(QStringLiteral("cannot write %1: not a regular file").arg(options.output));
    QSaveFile page(options.output);
    const QByteArray html = reportPage(input);
    if (!page.open(QIODevice::WriteOnly) || page.write(html) != html.size() || !page.commit())
        return fail(QStringLiteral("cannot write %1").arg(options.output));
    // One arg() call, so a %1 in the path is not taken for the time.
    report.summary(QStringLiteral("Wrote %1 in %2 s")
                       .arg(QFileInfo(options.output).absoluteFilePath(),
                            QString::number(report.elapsedSeconds(), 'f', 1)));
    return exitDone;
}

int DatasetReport::fail(const QString& message)
{
    failureText = message;
    report.error(message);
    return exitUnusable;
}
