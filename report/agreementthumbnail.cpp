#include "agreementthumbnail.h"

#include "imageannotation.h"
#include "labelfile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QPen>
#include <QPolygonF>

namespace {

const int thumbnailWidth = 320;
const int jpegQuality = 70;
const QColor firstOperatorColour(0x1f, 0x77, 0xff);
const QColor secondOperatorColour(0xff, 0x7f, 0x0e);

void drawShapes(QPainter& painter, const QString& labelPath, const QColor& colour, double scale)
{
    ImageAnnotation annotation;
    if (!readLabelFile(annotation, QFile::encodeName(labelPath).toStdString()))
        return;
    painter.setPen(QPen(colour, 2.5));
    for (const Label& label : annotation.labels) {
        QPolygonF outline;
        for (const QPoint& corner : label.points)
            outline << QPointF(corner) * scale;
        painter.drawPolygon(outline);
    }
}

} // namespace

QString agreementThumbnail(const QString& imagePath, const QString& labelPathA,
                           const QString& labelPathB)
{
    QImageReader reader(imagePath);
    reader.setAutoTransform(true);
    QSize stored = reader.size();
    if (!stored.isValid() || stored.width() <= 0)
        return QString();
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    const QSize seen = turned ? stored.transposed() : stored;
    const double scale = std::min(1.0, double(thumbnailWidth) / double(seen.width()));
    // libjpeg decodes at a fraction of the size for a fraction of the cost.
    reader.setScaledSize((QSizeF(stored) * scale).toSize().expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull())
        return QString();
    image = image.convertToFormat(QImage::Format_RGB32);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const double drawScale = double(image.width()) / double(seen.width());
        drawShapes(painter, labelPathA, firstOperatorColour, drawScale);
        drawShapes(painter, labelPathB, secondOperatorColour, drawScale);
    }
    QBuffer jpeg;
    jpeg.open(QIODevice::WriteOnly);
    if (!image.save(&jpeg, "JPEG", jpegQuality))
        return QString();
    return QStringLiteral("data:image/jpeg;base64,") + QString::fromLatin1(jpeg.data().toBase64());
}
