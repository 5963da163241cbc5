#ifndef QUADROTAG_TEXTLABELWRITER_H
#define QUADROTAG_TEXTLABELWRITER_H

#include "classtable.h"
#include "datasetwriter.h"
#include "textformats.h"

#include <QByteArray>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

// The formats with one text file per image, DIR/<folder>/<image name>.txt. The files are
// written into a hidden folder beside it and moved into place only at commit. The folder
// carries a mark, and only a folder with that mark is ever replaced: any other folder of the
// name is the user's, and open() refuses it.
class TextLabelWriter : public DatasetWriter
{
public:
    TextLabelWriter(const QString& outputDir, const TextFormat& format, const ClassTable& classes);

    bool open(QString& error) override;
    bool claimName(const QString& stem) override;
    bool addImage(const ExportImage& image) override;
    bool commit(QString& error) override;
    QString target() const override;

private:
    static bool isOwnFolder(const QFileInfo& folder);
    QString stagedPath(const QString& stem) const;
    bool commitExtraFile(QString& error);

    QString outputDir;
    const TextFormat& format;
    const ClassTable& classes;
    std::unique_ptr<QTemporaryDir> staging;
    bool failed = false;
};

#endif
