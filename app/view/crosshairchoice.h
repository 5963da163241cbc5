#ifndef QUADROTAG_CROSSHAIRCHOICE_H
#define QUADROTAG_CROSSHAIRCHOICE_H

#include <QAction>
#include <QObject>

class ImageViewer;
class QMenu;

// Function → Crosshair (X): lines through the pointer across the image; remembered, off at
// first.
class CrosshairChoice : public QObject
{
    Q_OBJECT

public:
    CrosshairChoice();

    // X acts only while the canvas has the keyboard, so the letter still reaches the finder.
    void install(ImageViewer& viewer, QMenu* menu);
    QAction* action() { return &crosshairAction; }

private:
    void setShown(bool on);

    QAction crosshairAction;
    ImageViewer* canvasView = nullptr;
};

#endif
