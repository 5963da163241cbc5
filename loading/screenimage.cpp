#include "screenimage.h"

#include "imagedecoding.h"

QString ScreenImage::refusalNote() const
{
    if (!tooLarge)
        return QString();
    if (unreadFileBytes >= 0) {
        // Rounded up: a file a byte past the budget must not read as the budget itself.
        const qint64 mebibyte = qint64(1) << 20;
        return QStringLiteral("\n(a file of %1 MiB is more than this program can read: %2 MiB)")
            .arg((unreadFileBytes + mebibyte - 1) / mebibyte)
            .arg(decodeByteBudget / mebibyte);
    }
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
