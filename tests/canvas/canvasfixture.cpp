#include "canvasfixture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <cstdlib>

MouseStep press(Qt::MouseButton button, QPoint position)
{
    return {QEvent::MouseButtonPress, button, position};
}

MouseStep release(Qt::MouseButton button, QPoint position)
{
    return {QEvent::MouseButtonRelease, button, position};
}

MouseStep move(QPoint position)
{
    return {QEvent::MouseMove, Qt::NoButton, position};
}

void play(QWidget* widget, const MouseSteps& steps)
{
    Qt::MouseButtons held;
    for (const MouseStep& step : steps) {
        if (step.type == QEvent::MouseButtonPress)
            held |= step.button;
        else if (step.type == QEvent::MouseButtonRelease)
            held &= ~Qt::MouseButtons(step.button);
        QMouseEvent event(step.type, QPointF(step.position),
                          QPointF(widget->mapToGlobal(step.position)), step.button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
}

void leftClicks(QWidget* widget, const Points& corners)
{
    for (const QPoint& corner : corners)
        play(widget, {press(Qt::LeftButton, corner), release(Qt::LeftButton, corner)});
}

QPixmap filledPixmap(const QSize& size, const QColor& color)
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return pixmap;
}

Label label(const Points& points, bool tagged, const QString& text)
{
    Label result;
    result.points = points;
    if (tagged)
        result.tags.push_back({0, 0});
    result.text = text;
    return result;
}

ImageAnnotation annotationOf(const std::vector<Label>& labels)
{
    ImageAnnotation annotation;
    annotation.labels = labels;
    return annotation;
}

QColor blend(const QColor& source, const QColor& under)
{
    const double alpha = source.alphaF();
    auto channel = [alpha](int top, int bottom) {
        return static_cast<int>(top * alpha + bottom * (1.0 - alpha) + 0.5);
    };
    return QColor(channel(source.red(), under.red()), channel(source.green(), under.green()),
                  channel(source.blue(), under.blue()));
}

bool near(const QColor& seen, const QColor& expected)
{
    const int tolerance = 2;
    return std::abs(seen.red() - expected.red()) <= tolerance &&
           std::abs(seen.green() - expected.green()) <= tolerance &&
           std::abs(seen.blue() - expected.blue()) <= tolerance;
}

QString describe(const QColor& color)
{
    return QStringLiteral("(%1, %2, %3)").arg(color.red()).arg(color.green()).arg(color.blue());
}
