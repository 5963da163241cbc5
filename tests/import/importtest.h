#ifndef QUADROTAG_TESTS_IMPORTTEST_H
#define QUADROTAG_TESTS_IMPORTTEST_H

#include "datasetfixture.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// What the tests of the importer share: one temporary folder for the whole test program, the
// importer run in it, and no proposal left in ds or rt from one test function to the next.
// In the test vocabulary S1 is (0, 0), S2 (0, 1), S8 (3, 3), S9 (6, 0), T1 (2, 1), T7 (3, 2)
// and U4 (4, 4).
class ImportTest : public QObject
{
    Q_OBJECT

protected:
    // The folder and the test vocabulary, "tags", in it.
    void makeRoot();
    // ds/: room1.jpg, 64 x 48 and labelled, and sub/room2.jpg of the same size, unlabelled.
    void buildDataset();
    ProgramRun import(const QStringList& arguments) const;
    static QString importerProgram();
    QString path(const QString& relative) const { return root.filePath(relative); }

    QTemporaryDir root;

private slots:
    void init();
};

#endif
