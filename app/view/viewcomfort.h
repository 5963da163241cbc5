#ifndef QUADROTAG_VIEWCOMFORT_H
#define QUADROTAG_VIEWCOMFORT_H

#include "brightnessdialog.h"
#include "viewadjustment.h"

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QObject>

#include <functional>

class ImageViewer;
class QMenu;
class QStatusBar;

// How the canvas shows the image and its shapes, apart from the annotation: brightness
// and contrast (B, C, with Shift lower, Ctrl+B resets; kept between runs) and shapes
// hidden at H. Both stay while the images change, and the status bar names them while
// they are on.
class ViewComfort : public QObject
{
    Q_OBJECT

public:
    explicit ViewComfort(ImageViewer& viewer);

    // Puts the letter keys on the canvas, the entries at the end of the menu and the state
    // in the status bar, and brings back the brightness and contrast of the last run.
    void install(QWidget* window, QMenu* menu, QStatusBar* statusBar);

    void setAdjustment(const ViewAdjustment& adjustment);
    void toggleShapesHidden();

    const ViewAdjustment& adjustment() const { return current; }
    // Null until the menu entry first opened it.
    BrightnessDialog* dialog() const { return adjustmentDialog; }

signals:
    void sglShapesHiddenChanged(bool hidden);

private:
    void addCanvasKey(const QString& name, const QKeySequence& key,
                      const std::function<void()>& step);
    void stepBrightness(int steps);
    void stepContrast(int steps);
    void openDialog();
    void showState();

    ImageViewer& viewer;
    ViewAdjustment current;
    QWidget* window = nullptr;
    BrightnessDialog* adjustmentDialog = nullptr;
    QAction dialogAction;
    QAction resetAction;
    QAction hideAction;
    QLabel adjustmentLabel;
    QLabel hiddenLabel;
};

#endif
