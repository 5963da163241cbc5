#include "reviewpins.h"

#include "imagewidget.h"

#include <QPainter>

namespace {
// Pins keep their size on screen at every zoom, so they stay readable.
const qreal pinRadius = 11;
const int pinFontPixels = 13;
} // namespace

const QColor ReviewPins::pinColor(220, 30, 120);

ReviewPins::ReviewPins(ImageWidget* parentCanvas) : QWidget(parentCanvas), canvas(parentCanvas)
{
    setObjectName(QStringLiteral("reviewPins"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    followCanvas();
}

void ReviewPins::setNotes(const std::vector<ReviewNote>& notes)
{
    if (notes == shown)
        return;
    shown = notes;
    update();
}

void ReviewPins::followCanvas()
{
    setGeometry(canvas->rect());
    raise();
}

QPointF ReviewPins::pinCentre(const QPoint& imagePixel) const
{
    return canvas->viewTransform().toCanvas(QPointF(imagePixel) + QPointF(0.5, 0.5));
}

void ReviewPins::paintEvent(QPaintEvent* /*event*/)
{
    if (shown.empty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(pinFontPixels);
    font.setBold(true);
    painter.setFont(font);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const QPointF centre = pinCentre(shown[i].point);
        const QRectF disc(centre - QPointF(pinRadius, pinRadius),
                          QSizeF(2 * pinRadius, 2 * pinRadius));
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(pinColor);
        painter.drawEllipse(disc);
        painter.setPen(Qt::white);
        painter.drawText(disc, Qt::AlignCenter, QString::number(i + 1));
    }
}
