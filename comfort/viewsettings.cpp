#include "viewsettings.h"

#include <QSettings>

namespace {
const QString brightnessKey = QStringLiteral("view/brightness");
const QString contrastKey = QStringLiteral("view/contrast");
const QString darkPaletteKey = QStringLiteral("view/darkPalette");
} // namespace

ViewAdjustment storedViewAdjustment()
{
    const QSettings settings;
    return ViewAdjustment()
        .withBrightness(settings.value(brightnessKey, 0).toInt())
        .withContrast(settings.value(contrastKey, 0).toInt());
}

void storeViewAdjustment(const ViewAdjustment& adjustment)
{
    QSettings settings;
    settings.setValue(brightnessKey, adjustment.brightness);
    settings.setValue(contrastKey, adjustment.contrast);
}

bool storedDarkPalette()
{
    return QSettings().value(darkPaletteKey, false).toBool();
}

void storeDarkPalette(bool dark)
{
    QSettings().setValue(darkPaletteKey, dark);
}
