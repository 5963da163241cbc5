#include "imagefile.h"

#include "imagestream.h"

ImageFile readImageFile(const QString& path, qint64 budget)
{
    return ImageStream::open(path, budget)->whole();
}
