#include "relabelfixture.h"

#include "datasetrelabeller.h"
#include "workflowfixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

const RecoveryWriter recoveryKeeper{"bob", "desk3", 43};

const QByteArray oldVocabulary = "Sofa 0\nMaterial 5 Wood Fabric Leather Marble Glass\n"
                                 "Colour 2 Grey Beige\n";
const QByteArray oldIndex = "0,0,Sofa\n1,1,Material: Wood\n1,2,Material: Fabric\n"
                            "1,3,Material: Leather\n1,4,Material: Marble\n1,5,Material: Glass\n"
                            "2,1,Colour: Grey\n2,2,Colour: Beige\n";
// Rattan added: Material takes two rows and Colour moves down one.
const QByteArray rattanAdded = "Sofa 0\nMaterial 6 Wood Fabric Leather Marble Glass Rattan\n"
                               "Colour 2 Grey Beige\n";
// A shape with Sofa and Colour: Grey, and one with Colour: Beige.
const QByteArray twoShapes = "3\n4 1 1 10 1 10 10 1 10 \n2 0 0 2 1 \n"
                             "4 5 5 20 5 20 20 5 20 \n1 2 2 \n";
const QByteArray woodOnly = "0\n4 1 1 10 1 10 10 1 10 \n1 1 1 \n";

ino_t inodeOf(const QString& path)
{
    struct stat status
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

QStringList projectFiles(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QDir(root).relativeFilePath(path);
        if (name.endsWith(".journal"))
            continue;
        files << (name.startsWith("index2tag-") ? "kept" : name) + ": " + fileBytes(path);
    }
    files.sort();
    return files;
}

namespace {

QByteArray capturedBytes(std::FILE* stream)
{
    QFile captured;
    QByteArray bytes;
    if (captured.open(stream, QIODevice::ReadOnly) && captured.seek(0))
        bytes = captured.readAll();
    captured.close();
    std::fclose(stream);
    return bytes;
}

} // namespace

void RelabelFixture::init()
{
    project = std::make_unique<QTemporaryDir>();
    QVERIFY(project->isValid());
    QVERIFY(QDir().mkpath(path("ds/.proposals")));
    QVERIFY(QDir().mkpath(path("ds/.git")));
    QVERIFY(QDir().mkpath(path("ds/.quadrotag/claims")));
    QVERIFY(QDir().mkpath(path("ds/.quadrotag/kept/ann@desk1")));
    QVERIFY(writeFileBytes(path("index2tag.csv"), oldIndex));
    for (const char* name :
         {"ds/a.lbl", "ds/.proposals/a.lbl", "ds/.git/a.lbl", "ds/.a.lbl.recovery",
          "ds/.quadrotag/a.lbl", "ds/.quadrotag/claims/.a.lbl.recovery",
          "ds/.quadrotag/kept/ann@desk1/a.lbl"})
        QVERIFY(writeFileBytes(path(name), twoShapes));
    QVERIFY(writeFileBytes(path("ds/.a.lbl.recovery.writer"),
                           writerLine(recoveryKeeper, twoShapes.toStdString())));
    QVERIFY(writeFileBytes(path("ds/wood.lbl"), woodOnly));
}

Outcome RelabelFixture::relabel(const QByteArray& vocabulary, const QStringList& maps,
                                bool dropMissing, bool dryRun, int stopAfter, const QString& from)
{
    writeFileBytes(path("tags"), vocabulary);
    RelabelOptions options;
    options.from = path(from);
    options.vocabulary = path("tags");
    for (const QString& map : maps)
        options.renames.emplace_back(map.section('=', 0, 0), map.section('=', 1));
    options.dropMissing = dropMissing;
    options.dryRun = dryRun;
    options.datasets = QStringList{path("ds")};

    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ConsoleReport report(QStringLiteral("quadrotag-relabel"), out, err, false);
    DatasetRelabeller relabeller(options, report);
    relabeller.stopAfterWrites(stopAfter);
    relabeller.callBeforeEachWrite(meanwhile);
    Outcome outcome;
    outcome.exitCode = relabeller.run();
    outcome.out = capturedBytes(out);
    outcome.err = capturedBytes(err);
    return outcome;
}
