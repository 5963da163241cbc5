#include "screenimage.h"

QString ScreenImage::refusalNote() const
{
    if (!tooLarge)
        return QString();
    return QStringLiteral("\n(%1 × %2 pixels is more than this program can hold)")
        .arg(fullSize.width())
        .arg(fullSize.height());
}

QString ScreenImage::reductionNote() const
{
    return QStringLiteral("%1 × %2 pixels is more than this program can hold: shown at 1/%3, "
                          "shapes still in full-resolution pixels")
        .arg(fullSize.width())
        .arg(fullSize.height())
        .arg(sharpestReduction);
}

QString ScreenImage::firstPageNote()
{
    return QStringLiteral("This file holds several pages: the first is shown");
}
