#ifndef QUADROTAG_YOLOOBBWRITER_H
#define QUADROTAG_YOLOOBBWRITER_H

#include "textlabelwriter.h"

// YOLO oriented boxes: DIR/data.yaml with the class names and DIR/labels/<image name>.txt
// with "class x1 y1 x2 y2 x3 y3 x4 y4" per shape, corners divided by the image size.
class YoloObbWriter : public TextLabelWriter
{
public:
    YoloObbWriter(const QString& outputDir, const ClassTable& classes);

protected:
    QByteArray shapeLine(const ExportShape& shape, const ExportImage& image) const override;
    bool commitExtras(QString& error) override;
};

#endif
