#ifndef QUADROTAG_DATASETREPORTACTION_H
#define QUADROTAG_DATASETREPORTACTION_H

#include <QAction>
#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <functional>

class QMenu;
class QStatusBar;
class QWidget;

// File → "Dataset Report…": writes the project's report page beside its vocabulary off the GUI
// thread, as quadrotag-report would, and opens it in the desktop's browser.
class DatasetReportAction : public QObject
{
    Q_OBJECT

public:
    // currentProject names the project folder in use, empty when there is none.
    void install(QWidget* window, QMenu* fileMenu, QStatusBar* statusBar,
                 std::function<QString()> currentProject);

    // The page a project's report is written to.
    static QString reportPathIn(const QString& projectFolder);

private slots:
    void slotWriteReport();
    void slotReportWritten();

private:
    QAction action;
    QStatusBar* statusBar = nullptr;
    std::function<QString()> currentProject;
    QFutureWatcher<QString> watcher;
    QString pagePath;
};

#endif
