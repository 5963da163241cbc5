#ifndef QUADROTAG_BATCHPANEL_H
#define QUADROTAG_BATCHPANEL_H

#include "batchfiles.h"
#include "batchfilter.h"
#include "batchlistmodel.h"
#include "folderstamps.h"
#include "imageslistview.h"
#include "labelpaths.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QObject>
#include <QStringList>

#include <vector>

class TagLayout;
class QMainWindow;
class QMenu;
class QStatusBar;

// The batch beside the canvas: the "Images" list in a dock (hidden until asked for from
// the menu) with its filter above it, the keys that move through what the list shows, and
// the "<done> of <count> labelled" progress in the status bar.
class BatchPanel : public QObject
{
    Q_OBJECT

public:
    BatchPanel();
    // Docks the list in the window, its actions in the menu and the progress in the bar;
    // the canvas gets the keys back after the filter was used.
    void install(QMainWindow* window, QMenu* menu, QStatusBar* statusBar, QWidget* canvas);

    void setBatch(const BatchFiles& batch, const LabelPaths& labelPaths);
    // The captions the filter finds tags by, as the tag table shows them.
    void setTagCaptions(const TagLayout& layout);
    void setLabelled(int row, bool labelled);
    // Marks the images other operators hold, one name per row of the batch.
    void setHolders(const std::vector<QString>& holders);
    // Ticks every image whose label file this is: two may share one ("a.jpg" and "a.JPG").
    void markLabelled(const LabelPaths& labelPaths, const QString& labelPath);
    // The review of this row was written.
    void markReviewed(int row);
    // These rows' label files may have changed on disk: their ticks and review marks are
    // read again.
    void remark(const std::vector<FolderStamps::Change>& changes);
    // What Ctrl+Shift+Down does: the next image the list shows.
    void goToNextListed();
    // The image on screen, in bold and scrolled into view.
    void showRow(int row);
    // Puts the list's current row back on the image on screen.
    void followShownImage();

    const BatchListModel& list() const { return batchList; }

signals:
    void imageChosen(int row);
    // Enter on a row of the list or in the filter: the image on screen is done with.
    void imageEntered(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildFilterBar();
    void addActions(QMenu* menu);
    // Emits imageEntered when entered, else imageChosen.
    void chooseListed(int step, bool entered = false);
    void filterEntered();
    void focusFilter();
    void updateProgress();

    BatchListModel batchList;
    BatchFilter filter;
    QDockWidget imagesDock;
    ImagesListView imagesView;
    QLineEdit filterField;
    QComboBox stateChooser;
    QAction focusFilterAction;
    QAction nextListedAction;
    QAction previousListedAction;
    QLabel progressLabel;
    QStatusBar* statusBar = nullptr;
    QWidget* canvas = nullptr;
};

#endif
