#ifndef QUADROTAG_PROJECTMENU_H
#define QUADROTAG_PROJECTMENU_H

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QObject>
#include <QString>

class ProjectHistory;
class QStatusBar;
class QWidget;

// "Open Project…" and "Recent Projects" in the File menu: each names a folder that
// should hold a vocabulary; the window opens it.
class ProjectMenu : public QObject
{
    Q_OBJECT

public:
    explicit ProjectMenu(const ProjectHistory& history);
    void install(QWidget* window, QMenu* fileMenu, QStatusBar* statusBar);
    // The status bar names the project in use, its whole path on hover.
    void showProject(const QString& folder);
    // The recent projects as the history lists them, one entry each.
    void refresh();

signals:
    void projectChosen(const QString& folder);

private:
    void askForFolder();

    const ProjectHistory& history;
    QWidget* window = nullptr;
    QAction openProjectAction;
    QMenu recentMenu;
    QLabel projectLabel;
};

#endif
