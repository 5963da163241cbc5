#include "projectmenu.h"

#include "projecthistory.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStatusBar>

ProjectMenu::ProjectMenu(const ProjectHistory& history)
    : history(history), openProjectAction(QStringLiteral("Open Project…")),
      recentMenu(QStringLiteral("Recent Projects"))
{
}

void ProjectMenu::install(QWidget* parentWindow, QMenu* fileMenu, QStatusBar* statusBar)
{
    projectLabel.setObjectName(QStringLiteral("projectLabel"));
    statusBar->addPermanentWidget(&projectLabel);
    window = parentWindow;
    openProjectAction.setObjectName(QStringLiteral("actionOpen_Project"));
    recentMenu.setObjectName(QStringLiteral("menuRecent_Projects"));
    // In the window's tree, so it can be found there like the form's menus; as members they go
    // before the window does.
    openProjectAction.setParent(parentWindow);
    recentMenu.setParent(fileMenu, recentMenu.windowFlags());
    fileMenu->addAction(&openProjectAction);
    fileMenu->addMenu(&recentMenu);
    connect(&openProjectAction, &QAction::triggered, this, &ProjectMenu::askForFolder);
    // Another window may have opened a project since.
    connect(&recentMenu, &QMenu::aboutToShow, this, &ProjectMenu::refresh);
    refresh();
}

void ProjectMenu::refresh()
{
    // An entry may be the one whose click led here, so it goes once that click is over.
    for (QAction* old : recentMenu.actions()) {
        recentMenu.removeAction(old);
        old->deleteLater();
    }
    const QStringList recent = history.recentProjects();
    for (const QString& folder : recent) {
        QAction* entry = recentMenu.addAction(QDir::toNativeSeparators(folder));
        connect(entry, &QAction::triggered, this, [this, folder] { emit projectChosen(folder); });
    }
    recentMenu.setEnabled(!recent.isEmpty());
}

void ProjectMenu::askForFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(window, QStringLiteral("Open Project"),
                                                             QDir::currentPath());
    if (!folder.isEmpty())
        emit projectChosen(folder);
}

void ProjectMenu::showProject(const QString& folder)
{
    projectLabel.setText(folder.isEmpty()
                             ? QStringLiteral("No project")
                             : QStringLiteral("Project: ") + QFileInfo(folder).fileName());
    projectLabel.setToolTip(QDir::toNativeSeparators(folder));
}
