#include "palettechoice.h"

#include "darkpalette.h"
#include "viewsettings.h"

#include <QApplication>
#include <QMenu>
#include <QStyle>

namespace {
const char darkStyle[] = "Fusion";

// A widget with a style sheet keeps the palette it was polished with; the tag table has one.
void repolishStyleSheets()
{
    for (QWidget* widget : QApplication::allWidgets())
        if (!widget->styleSheet().isEmpty())
            widget->setStyleSheet(widget->styleSheet());
}

} // namespace

PaletteChoice::PaletteChoice() : darkAction(QStringLiteral("Dark Palette"))
{
    darkAction.setObjectName(QStringLiteral("actionDark_Palette"));
    darkAction.setCheckable(true);
}

PaletteChoice::~PaletteChoice()
{
    if (darkApplied)
        applyOriginal();
}

void PaletteChoice::install(QMenu* menu)
{
    menu->addAction(&darkAction);
    connect(&darkAction, &QAction::triggered, this, &PaletteChoice::setDark);
    setDark(storedDarkPalette());
}

void PaletteChoice::setDark(bool dark)
{
    darkAction.setChecked(dark);
    storeDarkPalette(dark);
    if (dark == darkApplied)
        return;
    if (dark)
        applyDark();
    else
        applyOriginal();
}

void PaletteChoice::applyDark()
{
    originalStyle = QApplication::style()->name();
    originalPalette = QApplication::palette();
    QApplication::setStyle(QString::fromLatin1(darkStyle));
    QApplication::setPalette(darkPalette());
    repolishStyleSheets();
    darkApplied = true;
}

void PaletteChoice::applyOriginal()
{
    QApplication::setStyle(originalStyle);
    QApplication::setPalette(originalPalette);
    repolishStyleSheets();
    darkApplied = false;
}
