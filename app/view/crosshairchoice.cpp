#include "crosshairchoice.h"

#include "imageviewer.h"

#include <QMenu>
#include <QSettings>

namespace {
const char* const crosshairKey = "crosshair";
} // namespace

CrosshairChoice::CrosshairChoice() : crosshairAction(QStringLiteral("Crosshair"))
{
    crosshairAction.setObjectName(QStringLiteral("actionCrosshair"));
    crosshairAction.setCheckable(true);
    crosshairAction.setShortcut(QKeySequence(Qt::Key_X));
    // Anywhere in the window, like the other canvas keys; a focused text field takes X first.
    crosshairAction.setShortcutContext(Qt::WindowShortcut);
}

void CrosshairChoice::install(ImageViewer& viewer, QMenu* menu)
{
    canvasView = &viewer;
    viewer.addAction(&crosshairAction);
    menu->addAction(&crosshairAction);
    crosshairAction.setChecked(QSettings().value(crosshairKey, false).toBool());
    viewer.imageWidget()->setCrosshair(crosshairAction.isChecked());
    connect(&crosshairAction, &QAction::toggled, this, &CrosshairChoice::setShown);
}

void CrosshairChoice::setShown(bool on)
{
    canvasView->imageWidget()->setCrosshair(on);
    QSettings().setValue(crosshairKey, on);
}
