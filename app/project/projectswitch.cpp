#include "projectswitch.h"

#include "batchopener.h"
#include "batchpaths.h"
#include "batchstepper.h"
#include "imagevisit.h"
#include "labelviewer.h"
#include "projectfolder.h"
#include "projecthistory.h"
#include "sessionquestions.h"
#include "tagindex.h"
#include "vocabularyquestion.h"

#include <QDir>
#include <QFileInfo>
#include <QStatusBar>
#include <QWidget>

namespace {
// Images removed since a batch was remembered would each stop it with a warning.
QStringList existingFiles(const QStringList& paths)
{
    QStringList existing;
    for (const QString& path : paths)
        if (QFileInfo::exists(path))
            existing << path;
    return existing;
}

std::optional<QByteArray> knownBytes(const LabelFileSnapshot& file)
{
    if (!file.exists || !file.readable)
        return std::nullopt;
    return QByteArray::fromStdString(file.bytes);
}

TagNames::OnDisk onDisk(const VocabularyFiles& files)
{
    return {knownBytes(files.index), knownBytes(files.names)};
}

// The index as the table left it: as read where its bytes stayed, else as it is now. A
// vocabulary not read beforehand (too large to keep) was read by the table, which may have
// written the index.
LabelFileSnapshot indexAfterLoad(const VocabularyFiles& files, const LabelViewer& table)
{
    if (files.hasVocabulary() &&
        knownBytes(files.index) == TagIndex::ofLayout(table.tagLayout()).toBytes())
        return files.index;
    return LabelFileSnapshot::of(files.indexPath);
}
} // namespace

ProjectSwitch::ProjectSwitch(const QString& folder, ProjectHistory& history, ImageVisit& visit,
                             BatchOpener& opener, BatchStepper& stepper, LabelViewer& labelViewer)
    : projectFolder(folder), history(history), visit(visit), opener(opener), stepper(stepper),
      labelViewer(labelViewer), menu(history)
{
}

void ProjectSwitch::install(QWidget* parentWindow, QMenu* fileMenu, QStatusBar* bar)
{
    window = parentWindow;
    statusBar = bar;
    menu.install(window, fileMenu, statusBar);
    menu.showProject(projectFolder);
    visit.setProject(&history, projectFolder);
    opener.setProject(projectFolder);
    connect(&menu, &ProjectMenu::projectChosen, this, &ProjectSwitch::openProject);
}

void ProjectSwitch::loadVocabulary(const VocabularyFiles& files)
{
    // The table says why it has no vocabulary.
    if (!files.hasVocabulary())
        labelViewer.loadTags(localPath(files.vocabularyPath), localPath(files.indexPath));
    else
        labelViewer.loadTagsFrom(QByteArray::fromStdString(files.vocabulary.bytes), files.indexPath,
                                 onDisk(files));
    visit.rememberVocabulary(
        {{QFileInfo(files.vocabularyPath).absoluteFilePath(), files.vocabulary},
         {QFileInfo(files.indexPath).absoluteFilePath(), indexAfterLoad(files, labelViewer)}});
    // Read, it is a vocabulary: the project was refused before without a readable one.
    if (!projectFolder.isEmpty() && files.hasVocabulary()) {
        history.addRecent(projectFolder);
        menu.refresh();
    }
}

bool ProjectSwitch::openProject(const QString& folder)
{
    const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
    if (!holdsVocabulary(absolute)) {
        forgetGoneProject(absolute);
        return false;
    }
    // Left by the old project's rules, and nothing of it stays to be edited under the new one.
    if (!visit.close())
        return false;
    opener.cancel();
    stepper.close();
    emit sglProjectLeft();
    statusBar->clearMessage();
    // The operator chose to quit rather than write a new index over the old one.
    const VocabularyFiles files = VocabularyFiles::ofProject(absolute);
    if (!confirmVocabularyChange(files, window)) {
        window->close();
        return false;
    }
    projectFolder = absolute;
    menu.showProject(projectFolder);
    visit.setProject(&history, projectFolder);
    opener.setProject(projectFolder);
    loadVocabulary(files);
    emit sglVocabularyLoaded();
    resumeProject();
    return true;
}

void ProjectSwitch::resumeProject()
{
    const RememberedBatch last = history.lastBatch(projectFolder);
    if (!last.folder.isEmpty())
        opener.listFolder(last.folder, last.shownImage);
    else if (!last.images.isEmpty())
        opener.openImages(existingFiles(last.images), last.shownImage);
}

void ProjectSwitch::forgetGoneProject(const QString& folder)
{
    const bool listed = history.recentProjects().contains(folder);
    history.removeRecent(folder);
    menu.refresh();
    QString message = QFileInfo(folder).isDir() ? QStringLiteral("No vocabulary \"tags\" in ")
                                                : QStringLiteral("No project folder ");
    message += QDir::toNativeSeparators(folder);
    if (listed)
        message += QStringLiteral("; it was removed from Recent Projects.");
    warn(window, message);
}
