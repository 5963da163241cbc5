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

// What is in force already, stored or by default, is not written again: a start the operator
// ends at its first question leaves the settings as they were.
void storeViewAdjustment(const ViewAdjustment& adjustment)
{
    if (storedViewAdjustment() == adjustment)
        return;
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
    if (storedDarkPalette() == dark)
        return;
    QSettings().setValue(darkPaletteKey, dark);
}
