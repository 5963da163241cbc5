#include "imageheader.h"

#include "headerprobe.h"

bool readImageSize(const QString& imagePath, QSize& size, QString& error)
{
    // The header alone gives the size; decoding the pixels would cost a thousand times more.
    const HeaderFacts header = probeImageHeader(imagePath);
    size = header.size;
    if (size.isValid())
        return true;
    error = header.format == ImageFormat::None ? QStringLiteral("Unsupported image format")
                                               : QStringLiteral("its header tells no size");
    return false;
}
