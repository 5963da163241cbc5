#ifndef QUADROTAG_PROJECTSWITCH_H
#define QUADROTAG_PROJECTSWITCH_H

#include "projectmenu.h"
#include "vocabularyfiles.h"

#include <QObject>
#include <QString>

#include <optional>

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
    // vocabulary: the project's files as read at start, or none yet.
    ProjectSwitch(const QString& folder, const std::optional<VocabularyFiles>& vocabulary,
                  ProjectHistory& history, ImageVisit& visit, BatchOpener& opener,
                  BatchStepper& stepper, LabelViewer& labelViewer);

    // The menus and the project's name in the status bar; the project's vocabulary in the table
    // where it was read already.
    void install(QWidget* window, QMenu* fileMenu, QStatusBar* statusBar);
    // The vocabulary read at start in the table, where install had none.
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
    // Until the table is filled from it.
    std::optional<VocabularyFiles> startVocabulary;
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
