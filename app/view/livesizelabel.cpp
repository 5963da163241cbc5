#include "livesizelabel.h"

#include "imagewidget.h"

#include <QStatusBar>

LiveSizeLabel::LiveSizeLabel()
{
    setObjectName(QStringLiteral("liveSizeLabel"));
}

void LiveSizeLabel::install(QStatusBar* statusBar, ImageWidget* canvas)
{
    statusBar->addPermanentWidget(this);
    hide();
    connect(canvas, &ImageWidget::sglSizeMeasured, this,
            [this](const QPoint& pointer, const QSize& bounds) {
                setText(textOf(pointer, bounds));
                show();
            });
    connect(canvas, &ImageWidget::sglSizeCleared, this, &QWidget::hide);
}

QString LiveSizeLabel::textOf(const QPoint& pointer, const QSize& bounds)
{
    return QStringLiteral("x %1, y %2 · %3 × %4 px")
        .arg(pointer.x())
        .arg(pointer.y())
        .arg(bounds.width())
        .arg(bounds.height());
}
