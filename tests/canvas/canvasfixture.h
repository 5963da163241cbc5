#ifndef QUADROTAG_TESTS_CANVASFIXTURE_H
#define QUADROTAG_TESTS_CANVASFIXTURE_H

#include "imageannotation.h"
#include "label.h"

#include <QColor>
#include <QEvent>
#include <QPixmap>
#include <QPoint>
#include <QSize>
#include <QString>

#include <vector>

class QWidget;

// Shapes, mouse steps and colours for the tests of the canvas.
using Points = std::vector<QPoint>;

// The grey of the test image, and the fills of the active shape and of the others.
inline const QColor background(128, 128, 128);
inline const QColor activeFill(150, 0, 0, 120);
inline const QColor otherFill(0, 150, 0, 120);

struct MouseStep
{
    QEvent::Type type;
    Qt::MouseButton button;
    QPoint position;
};
using MouseSteps = std::vector<MouseStep>;

MouseStep press(Qt::MouseButton button, QPoint position);
MouseStep release(Qt::MouseButton button, QPoint position);
MouseStep move(QPoint position);
// Sends the steps as the window system would, with the held buttons tracked, so
// that moves during a drag carry the button state.
void play(QWidget* widget, const MouseSteps& steps);
// QTest::mouseClick would take (0, 0) for "the widget's centre".
void leftClicks(QWidget* widget, const Points& corners);

QPixmap filledPixmap(const QSize& size, const QColor& color);
Label label(const Points& points, bool tagged = false, const QString& text = QString());
ImageAnnotation annotationOf(const std::vector<Label>& labels);

// Translucent source-over blend, as the fills and the rubber band appear.
QColor blend(const QColor& source, const QColor& under);
bool near(const QColor& seen, const QColor& expected);
QString describe(const QColor& color);

#endif
