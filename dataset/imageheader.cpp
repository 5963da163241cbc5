#include "imageheader.h"

#include <QImageReader>

bool readImageSize(const QString& imagePath, QSize& size, QString& error)
{
    // The header alone gives the size; decoding the pixels would cost a thousand times more.
    QImageReader reader(imagePath);
    size = reader.size();
    if (!size.isValid() || size.isEmpty()) {
        error = reader.errorString();
        return false;
    }
    if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
        size.transpose();
    return true;
}
