#include "screenimage.h"

QString ScreenImage::refusalNote() const
{
    if (!tooLarge)
        return QString();
    return QStringLiteral("\n(%1 × %2 pixels is more than this program can hold)")
        .arg(fullSize.width())
        .arg(fullSize.height());
}
