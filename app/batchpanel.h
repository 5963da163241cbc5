#ifndef QUADROTAG_BATCHPANEL_H
#define QUADROTAG_BATCHPANEL_H

#include "batchlistmodel.h"

#include <QDockWidget>
#include <QLabel>
#include <QListView>
#include <QObject>
#include <QStringList>

#include <vector>

class QMainWindow;
class QMenu;
class QStatusBar;

// The batch beside the canvas: the "Images" list in a dock (hidden until asked for from
// the menu) and the "<done> of <count> labelled" progress in the status bar.
class BatchPanel : public QObject
{
    Q_OBJECT

public:
    BatchPanel();
    // Docks the list in the window, its toggle in the menu and the progress in the bar.
    void install(QMainWindow* window, QMenu* menu, QStatusBar* statusBar);

    void setBatch(const QStringList& imagePaths, const std::vector<bool>& labelled);
    void setLabelled(int row, bool labelled);
    // Ticks every image whose label file this is: two may share one ("a.jpg" and "a.JPG").
    void markLabelled(const QStringList& labelPaths, const QString& labelPath);
    // The image on screen, in bold and scrolled into view.
    void showRow(int row);
    // Puts the list's current row back on the image on screen.
    void followShownImage();

    const BatchListModel& list() const { return batchList; }

signals:
    void imageChosen(int row);

private:
    void updateProgress();

    BatchListModel batchList;
    QDockWidget imagesDock;
    QListView imagesView;
    QLabel progressLabel;
};

#endif
