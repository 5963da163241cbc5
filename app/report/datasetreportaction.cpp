#include "datasetreportaction.h"

#include "consolereport.h"
#include "datasetreport.h"
#include "projectfolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QStatusBar>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

#include <cstdio>

namespace {

// The reason it failed, empty when the page was written.
QString writeReport(const ReportOptions& options)
{
    ConsoleReport report(QStringLiteral("quadrotag"), stderr, stderr, false);
    DatasetReport datasetReport(options, report);
    return datasetReport.run() == exitDone ? QString() : datasetReport.failure();
}

} // namespace

void DatasetReportAction::install(QWidget* window, QMenu* fileMenu, QStatusBar* bar,
                                  std::function<QString()> project)
{
    statusBar = bar;
    currentProject = std::move(project);
    action.setText(tr("Dataset Report…"));
    // Named, so that the keys dialog lists it and a key can be given to it.
    action.setObjectName(QStringLiteral("actionDataset_Report"));
    action.setParent(window);
    fileMenu->addAction(&action);
    connect(&action, &QAction::triggered, this, &DatasetReportAction::slotWriteReport);
    connect(&watcher, &QFutureWatcher<QString>::finished, this,
            &DatasetReportAction::slotReportWritten);
}

QString DatasetReportAction::reportPathIn(const QString& projectFolder)
{
    return QDir(projectFolder).filePath(QStringLiteral("report.html"));
}

void DatasetReportAction::slotWriteReport()
{
    const QString project = currentProject();
    if (project.isEmpty()) {
        statusBar->showMessage(tr("No project is open: nothing to report on"));
        return;
    }
    ReportOptions options;
    options.dataset = project;
    options.vocabulary = vocabularyPathIn(project);
    options.output = reportPathIn(project);
    pagePath = options.output;
    // One report at a time; a large dataset takes a while.
    action.setEnabled(false);
    statusBar->showMessage(tr("Writing the dataset report of %1…").arg(project));
    watcher.setFuture(QtConcurrent::run(writeReport, options));
}

void DatasetReportAction::slotReportWritten()
{
    action.setEnabled(true);
    const QString failure = watcher.result();
    if (!failure.isEmpty()) {
        statusBar->showMessage(tr("No dataset report: %1").arg(failure));
        return;
    }
    statusBar->showMessage(tr("Dataset report written to %1").arg(pagePath));
    QDesktopServices::openUrl(QUrl::fromLocalFile(pagePath));
}
