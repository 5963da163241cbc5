#ifndef QUADROTAG_IMAGECHECKER_H
#define QUADROTAG_IMAGECHECKER_H

#include "classtable.h"
#include "consolereport.h"
#include "exportimage.h"

#include "imageannotation.h"

// Reads one image's header and label file, reports every problem, and keeps the shapes
// that can be exported: a shape with a problem is left out, except that corners outside
// the image are moved onto its border when the shape keeps an area there.
class ImageChecker
{
public:
    ImageChecker(const ClassTable& classes, ConsoleReport& report);

    // False when the image itself cannot be exported: its header does not decode, or its
    // label file cannot be read to its end.
    // labelPath is empty when the image has no label file.
    // labelBytes, when given, are the label file's bytes as already read: they are used
    // instead of reading the file again.
    bool check(const QString& imagePath, const QString& labelPath, ExportImage& image,
               const QByteArray* labelBytes = nullptr);
    void reportLabelWithoutImage(const QString& labelPath);

    long long shapesFound() const { return foundCount; }
    // The style and the shapes of the last check that an export keeps, tags as read and
    // corners before any move onto the border; empty without a label file.
    const ImageAnnotation& lastExported() const { return exported; }
    long long shapesLeftOut() const { return leftOutCount; }

private:
    bool readSize(const QString& imagePath, QSize& size);
    bool readLabels(const QString& labelPath, const QByteArray* labelBytes, ImageAnnotation& read);
    bool checkTags(const QString& labelPath, int index, const Label& label, ExportShape& shape);
    bool checkPoints(const QString& labelPath, int index, const Label& label);
    bool checkCorners(const QString& labelPath, int index, const Label& label, const QSize& size,
                      ExportShape& shape);

    const ClassTable& classes;
    ConsoleReport& report;
    ImageAnnotation annotation;
    ImageAnnotation exported;
    long long foundCount = 0;
    long long leftOutCount = 0;
};

#endif
