#ifndef QUADROTAG_TEXTLABELWRITER_H
#define QUADROTAG_TEXTLABELWRITER_H

#include "classtable.h"
#include "datasetwriter.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <memory>

// The formats with one text file per image, DIR/<folder>/<image name>.txt. The files are
// written into a hidden folder beside it and moved into place only at commit.
class TextLabelWriter : public DatasetWriter
{
public:
    TextLabelWriter(const QString& outputDir, const QString& labelFolder,
                    const ClassTable& classes);

    bool open(QString& error) override;
    bool addImage(const ExportImage& image) override;
    bool commit(QString& error) override;
    QString target() const override;

protected:
    // One line of the image's label file, with its line end.
    virtual QByteArray shapeLine(const ExportShape& shape, const ExportImage& image) const = 0;
    // Files beside the label folder, written last.
    virtual bool commitExtras(QString& error);

    QString outputDir;
    const ClassTable& classes;

private:
    QString labelFolder;
    std::unique_ptr<QTemporaryDir> staging;
    bool failed = false;
};

#endif
