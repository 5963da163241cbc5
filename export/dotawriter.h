#ifndef QUADROTAG_DOTAWRITER_H
#define QUADROTAG_DOTAWRITER_H

#include "textlabelwriter.h"

// DOTA: DIR/labelTxt/<image name>.txt with "x1 y1 x2 y2 x3 y3 x4 y4 category 0" per shape,
// corners clockwise from the one nearest the top-left.
class DotaWriter : public TextLabelWriter
{
public:
    DotaWriter(const QString& outputDir, const ClassTable& classes);

protected:
    QByteArray shapeLine(const ExportShape& shape, const ExportImage& image) const override;
};

#endif
