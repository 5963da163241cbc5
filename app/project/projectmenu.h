#ifndef QUADROTAG_PROJECTMENU_H
#define QUADROTAG_PROJECTMENU_H

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QString>

class ProjectHistory;
class QWidget;

// "Open Project…" and "Recent Projects" in the File menu: each names a folder that
// should hold a vocabulary; the window opens it.
class ProjectMenu : public QObject
{
    Q_OBJECT

public:
    explicit ProjectMenu(const ProjectHistory& history);
    void install(QWidget* window, QMenu* fileMenu);
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
};

#endif
