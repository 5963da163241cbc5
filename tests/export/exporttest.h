#ifndef QUADROTAG_TESTS_EXPORTTEST_H
#define QUADROTAG_TESTS_EXPORTTEST_H

#include "datasetfixture.h"

#include <QJsonValue>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// What the tests of the exporter share: one temporary folder for the whole test program, with
// the vocabulary "tags" and the datasets the tests export, and the exporter run in it.
class ExportTest : public QObject
{
protected:
    // The folder and its vocabulary: single tags Sofa, Chair, Lamp at row 0; categories
    // Material at row 1, Colour at row 2, Object at row 3.
    void makeRoot();
    // clean/: labelled images, one turned by its EXIF block, beside what the walk passes by.
    void buildCleanDataset();
    // reviewed/: accepted, rejected, changed since review, unreviewed and malformed reviews.
    void buildReviewedDataset();
    QString path(const QString& relative) const { return root.filePath(relative); }

    static ProgramRun runExporter(const QString& workingDir, const QStringList& arguments);
    static QJsonValue json(const char* text);
    // Every file below dir, hidden ones too, so that leftovers of a refused export show.
    static QStringList filesBelow(const QString& dir);

    QTemporaryDir root;
};

#endif
