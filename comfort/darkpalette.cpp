#include "darkpalette.h"

#include <QColor>

namespace {
const QColor windowColor(53, 53, 53);
const QColor baseColor(35, 35, 35);
const QColor alternateBaseColor(45, 45, 45);
const QColor textColor(230, 230, 230);
const QColor disabledTextColor(127, 127, 127);
const QColor highlightColor(42, 130, 218);
const QColor darkShadowColor(20, 20, 20);
} // namespace

QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, windowColor);
    palette.setColor(QPalette::WindowText, textColor);
    palette.setColor(QPalette::Base, baseColor);
    palette.setColor(QPalette::AlternateBase, alternateBaseColor);
    palette.setColor(QPalette::ToolTipBase, windowColor);
    palette.setColor(QPalette::ToolTipText, textColor);
    palette.setColor(QPalette::PlaceholderText, disabledTextColor);
    palette.setColor(QPalette::Text, textColor);
    palette.setColor(QPalette::Button, windowColor);
    palette.setColor(QPalette::ButtonText, textColor);
    palette.setColor(QPalette::BrightText, Qt::red);
    palette.setColor(QPalette::Light, windowColor.lighter(150));
    palette.setColor(QPalette::Midlight, windowColor.lighter(125));
    palette.setColor(QPalette::Mid, windowColor.darker(150));
    palette.setColor(QPalette::Dark, baseColor.darker(150));
    palette.setColor(QPalette::Shadow, darkShadowColor);
    palette.setColor(QPalette::Link, highlightColor.lighter(130));
    palette.setColor(QPalette::Highlight, highlightColor);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText})
        palette.setColor(QPalette::Disabled, role, disabledTextColor);
    return palette;
}
