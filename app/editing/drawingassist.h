#ifndef QUADROTAG_DRAWINGASSIST_H
#define QUADROTAG_DRAWINGASSIST_H

#include <QAction>
#include <QObject>
#include <QPoint>

class AnnotationEditor;
class ImageWidget;
class QMenu;
class QWidget;

// The drawing aids' place in the window: the "Assist Drawing" switch (Ctrl+G, remembered
// between runs, off at first) and the keys that nudge the active shape (Alt+arrows by one
// image pixel, with Shift by ten).
class DrawingAssist : public QObject
{
    Q_OBJECT

public:
    DrawingAssist(AnnotationEditor& editor, ImageWidget& canvas);

    // Adds the switch to the menu and every key to the window.
    void install(QWidget* window, QMenu* functionMenu);
    QAction* assistAction() { return &assist; }

private:
    void setAssisting(bool on);
    void addNudge(QWidget* window, const QString& name, const QKeySequence& keys,
                  const QPoint& step);

    AnnotationEditor& editor;
    ImageWidget& canvas;
    QAction assist;
};

#endif
