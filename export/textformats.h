#ifndef QUADROTAG_TEXTFORMATS_H
#define QUADROTAG_TEXTFORMATS_H

#include "classtable.h"
#include "exportimage.h"

#include <QByteArray>

// What tells one format of a text file per image from another.
struct TextFormat
{
    // The folder beside the other outputs that takes the per-image files.
    const char* labelFolder;
    // One line of an image's file, with its line end.
    QByteArray (*shapeLine)(const ExportShape& shape, const ExportImage& image,
                            const ClassTable& classes);
    // A file written beside the label folder, or nullptr for none.
    const char* extraFileName;
    QByteArray (*extraFile)(const ClassTable& classes);
};

// YOLO oriented boxes: DIR/data.yaml with the class names and DIR/labels/<image name>.txt
// with "class x1 y1 x2 y2 x3 y3 x4 y4" per shape, corners divided by the image size.
extern const TextFormat yoloObbFormat;
// DOTA: DIR/labelTxt/<image name>.txt with "x1 y1 x2 y2 x3 y3 x4 y4 category 0" per shape,
// corners clockwise from the one nearest the top-left.
extern const TextFormat dotaFormat;

#endif
