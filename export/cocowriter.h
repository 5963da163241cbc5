#ifndef QUADROTAG_COCOWRITER_H
#define QUADROTAG_COCOWRITER_H

#include "classtable.h"
#include "datasetwriter.h"

#include <QSaveFile>
#include <QTemporaryFile>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

// COCO instances: DIR/instances.json. Images go straight into the file and annotations
// into a spool file beside it, joined at commit, so memory does not grow with the dataset.
class CocoWriter : public DatasetWriter
{
public:
    CocoWriter(const QString& outputDir, const ClassTable& classes);

    bool open(QString& error) override;
    bool addImage(const ExportImage& image) override;
    bool commit(QString& error) override;
    QString target() const override;

    // Refuses text that is not valid UTF-8 and numbers that are not finite, which would
    // leave broken JSON behind.
    using JsonWriter =
        rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF8<>, rapidjson::UTF8<>,
                          rapidjson::CrtAllocator, rapidjson::kWriteValidateEncodingFlag>;

private:
    bool writeHead();
    bool writeImage(const ExportImage& image, int imageId);
    bool writeAnnotation(const ExportShape& shape, int imageId);
    bool writeAttributes(const ExportShape& shape);
    bool flushValue(QIODevice& device, bool& first);

    QString outputDir;
    const ClassTable& classes;
    QSaveFile output;
    QTemporaryFile spool;
    rapidjson::StringBuffer buffer;
    JsonWriter json;
    QStringList styleNames;
    int imageCount = 0;
    int annotationCount = 0;
    bool firstImage = true;
    bool firstAnnotation = true;
    bool failed = false;
};

#endif
