#ifndef QUADROTAG_PROJECTSWITCH_H
#define QUADROTAG_PROJECTSWITCH_H

#include "projectmenu.h"
#include "vocabularyfiles.h"

#include <QObject>
#include <QString>

class BatchOpener;
class BatchStepper;
class ImageVisit;
class LabelViewer;
class ProjectHistory;
class QMenu;
class QStatusBar;
class QWidget;

// The project in use and every change of it: the menus that choose one, leaving the old
// project's image and batch, its vocabulary in the tag table, and resuming its last batch.
class ProjectSwitch : public QObject
{
    Q_OBJECT

public:
    ProjectSwitch(const QString& folder, ProjectHistory& history, ImageVisit& visit,
                  BatchOpener& opener, BatchStepper& stepper, LabelViewer& labelViewer);

    // The menus and the project's name in the status bar.
    void install(QWidget* window, QMenu* fileMenu, QStatusBar* statusBar);
    // The project's vocabulary as read at start in the table: its index written where needed,
    // the project among the recent ones.
    void loadStartVocabulary(const VocabularyFiles& files) { loadVocabulary(files); }
    // Leaves the image on screen by this project's rules, closes its batch, reads the new
    // project's vocabulary and opens its last batch; false when the old project stays.
    bool openProject(const QString& folder);
    // Opens the project's last batch at the image last shown.
    void resumeProject();
    // Empty without a project: the vocabulary is then "tags" in the working directory.
    const QString& folder() const { return projectFolder; }

signals:
    // Nothing of the old project's image stays in view.
    void sglProjectLeft();
    // The tag table holds the new project's vocabulary.
    void sglVocabularyLoaded();

private:
    void loadVocabulary(const VocabularyFiles& files);
    void forgetGoneProject(const QString& folder);

    QString projectFolder;
    ProjectHistory& history;
    ImageVisit& visit;
    BatchOpener& opener;
    BatchStepper& stepper;
    LabelViewer& labelViewer;
    ProjectMenu menu;
    QWidget* window = nullptr;
    QStatusBar* statusBar = nullptr;
};

#endif
