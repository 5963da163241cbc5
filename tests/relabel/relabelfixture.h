#ifndef QUADROTAG_TESTS_RELABELFIXTURE_H
#define QUADROTAG_TESTS_RELABELFIXTURE_H

#include "recoverywriter.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

#include <sys/types.h>

// Who kept the unsaved state the dataset's recovery file holds.
extern const RecoveryWriter recoveryKeeper;
extern const QByteArray oldVocabulary;
extern const QByteArray oldIndex;
// Rattan added: Material takes two rows and Colour moves down one.
extern const QByteArray rattanAdded;
// A shape with Sofa and Colour: Grey, and one with Colour: Beige.
extern const QByteArray twoShapes;
extern const QByteArray woodOnly;

ino_t inodeOf(const QString& path);

struct Outcome
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Every file of the project but the journal, by path, and the kept indices by their bytes
// only: their names carry the time.
QStringList projectFiles(const QString& root);

// A project with its old index and a dataset "ds" of label files, proposals, a recovery file
// and hidden folders, made anew for every test function; and a relabelling run in process.
class RelabelFixture : public QObject
{
    Q_OBJECT

protected:
    Outcome relabel(const QByteArray& vocabulary, const QStringList& maps, bool dropMissing,
                    bool dryRun, int stopAfter = -1, const QString& from = "index2tag.csv");
    QString path(const QString& relative) const { return project->filePath(relative); }

    std::unique_ptr<QTemporaryDir> project;
    // What another program does before each write of the next run.
    std::function<void()> meanwhile;

protected slots:
    // Also called by a test that needs the project afresh.
    void init();
};

#endif
