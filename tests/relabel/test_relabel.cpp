#include "datasetrelabeller.h"
#include "workflowfixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

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

struct Outcome
{
    int exitCode = -1;
    QByteArray out;
};

// Every file of the project but the journal, by path, and the kept indices by their bytes
// only: their names carry the time.
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

} // namespace

class TestRelabel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void translatesByCaption_data();
    void translatesByCaption();
    void stopsAnywhereAndResumes_data();
    void stopsAnywhereAndResumes();
    void refusesUnusableInput_data();
    void refusesUnusableInput();

private:
    Outcome relabel(const QByteArray& vocabulary, const QStringList& maps, bool dropMissing,
                    bool dryRun, int stopAfter = -1);
    QString path(const QString& relative) const { return project->filePath(relative); }

    std::unique_ptr<QTemporaryDir> project;
};

void TestRelabel::init()
{
    project = std::make_unique<QTemporaryDir>();
    QVERIFY(project->isValid());
    QVERIFY(QDir().mkpath(path("ds/.proposals")));
    QVERIFY(QDir().mkpath(path("ds/.git")));
    QVERIFY(writeFileBytes(path("index2tag.csv"), oldIndex));
    for (const char* name :
         {"ds/a.lbl", "ds/.proposals/a.lbl", "ds/.git/a.lbl", "ds/.a.lbl.recovery"})
        QVERIFY(writeFileBytes(path(name), twoShapes));
    QVERIFY(writeFileBytes(path("ds/wood.lbl"), woodOnly));
}

Outcome TestRelabel::relabel(const QByteArray& vocabulary, const QStringList& maps,
                             bool dropMissing, bool dryRun, int stopAfter)
{
    writeFileBytes(path("tags"), vocabulary);
    RelabelOptions options;
    options.from = path("index2tag.csv");
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
    Outcome outcome;
    outcome.exitCode = relabeller.run();
    QFile captured;
    if (captured.open(out, QIODevice::ReadOnly) && captured.seek(0))
        outcome.out = captured.readAll();
    captured.close();
    std::fclose(out);
    std::fclose(err);
    return outcome;
}

void TestRelabel::translatesByCaption_data()
{
    QTest::addColumn<QByteArray>("vocabulary");
    QTest::addColumn<QStringList>("maps");
    QTest::addColumn<bool>("dropMissing");
    QTest::addColumn<bool>("dryRun");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("relabelled");
    QTest::addColumn<QByteArray>("reported");

    const QByteArray moved = "3\n4 1 1 10 1 10 10 1 10 \n2 0 0 3 1 \n"
                             "4 5 5 20 5 20 20 5 20 \n1 3 2 \n";
    const QByteArray beigeRemoved = "Sofa 0 Material 5 Wood Fabric Leather Marble Glass "
                                    "Colour 1 Grey";
    QTest::newRow("moved") << rattanAdded << QStringList() << false << false << 0 << moved
                           << QByteArray();
    QTest::newRow("dry run") << rattanAdded << QStringList() << false << true << 0 << twoShapes
                             << QByteArray("ds/a.lbl: (2, 1) -> (3, 1) Colour: Grey\n"
                                           "ds/a.lbl: (2, 2) -> (3, 2) Colour: Beige\n");
    QTest::newRow("removed") << beigeRemoved << QStringList() << false << false << 1 << twoShapes
                             << QByteArray("ds/a.lbl: tag (2, 2) \"Colour: Beige\" has no cell "
                                           "in the new vocabulary (--drop-missing drops it); "
                                           "left untouched\n");
    QTest::newRow("removed and dropped")
        << beigeRemoved << QStringList() << true << false << 0
        << QByteArray("3\n4 1 1 10 1 10 10 1 10 \n2 0 0 2 1 \n") << QByteArray();
    QTest::newRow("renamed through map")
        << QByteArray("Sofa 0 Material 6 Wood Fabric Leather Marble Glass Rattan "
                      "Colour 2 Beige Gray")
        << QStringList{"Colour: Grey=Colour: Gray"} << false << false << 0
        << QByteArray("3\n4 1 1 10 1 10 10 1 10 \n2 0 0 3 2 \n4 5 5 20 5 20 20 5 20 \n1 3 1 \n")
        << QByteArray();
    QTest::newRow("shared caption")
        << QByteArray("Sofa 0 Material 6 Wood Fabric Leather Marble Glass Rattan "
                      "Colour 3 Grey Beige Grey")
        << QStringList() << false << false << 1 << twoShapes
        << QByteArray("ds/a.lbl: tag (2, 1) \"Colour: Grey\": the new vocabulary has this "
                      "caption at (3, 1) and (3, 3); left untouched\n");
}

void TestRelabel::translatesByCaption()
{
    QFETCH(QByteArray, vocabulary);
    QFETCH(QStringList, maps);
    QFETCH(bool, dropMissing);
    QFETCH(bool, dryRun);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, relabelled);
    QFETCH(QByteArray, reported);

    const ino_t woodInode = inodeOf(path("ds/wood.lbl"));
    QDir::setCurrent(project->path());
    const Outcome outcome = relabel(vocabulary, maps, dropMissing, dryRun);
    QCOMPARE(outcome.exitCode, exitCode);
    QCOMPARE(fileBytes(path("ds/a.lbl")), relabelled);
    QCOMPARE(fileBytes(path("ds/.proposals/a.lbl")), relabelled);
    // Other hidden folders and recovery files are never label files of the dataset.
    QCOMPARE(fileBytes(path("ds/.git/a.lbl")), twoShapes);
    QCOMPARE(fileBytes(path("ds/.a.lbl.recovery")), twoShapes);
    QCOMPARE(fileBytes(path("ds/wood.lbl")), woodOnly);
    QCOMPARE(inodeOf(path("ds/wood.lbl")), woodInode);
    QCOMPARE(
        QString::fromUtf8(outcome.out).remove(project->path() + '/').toUtf8().left(reported.size()),
        reported);

    const bool indexReplaced = exitCode == 0 && !dryRun;
    const QStringList kept = QDir(project->path()).entryList({"index2tag-*.csv"});
    QCOMPARE(kept.size(), indexReplaced ? 1 : 0);
    QCOMPARE(fileBytes(path("index2tag.csv")) == oldIndex, !indexReplaced);
    if (indexReplaced)
        QCOMPARE(fileBytes(path(kept.first())), oldIndex);
    QCOMPARE(QFile::exists(path("ds/.quadrotag-relabel.journal")),
             !dryRun && relabelled != twoShapes);
}

void TestRelabel::stopsAnywhereAndResumes_data()
{
    QTest::addColumn<int>("writes");
    // Two files of one journal entry and one replacement each, the journal's end, the
    // kept index and the new index: seven writes in all.
    for (int writes = 0; writes < 7; ++writes)
        QTest::addRow("after %d writes", writes) << writes;
}

void TestRelabel::stopsAnywhereAndResumes()
{
    QFETCH(int, writes);

    relabel(rattanAdded, {}, false, false);
    const QStringList clean = projectFiles(project->path());
    init();

    QCOMPARE(relabel(rattanAdded, {}, false, false, writes).exitCode,
             DatasetRelabeller::exitInterrupted);
    QCOMPARE(relabel(rattanAdded, {}, false, false).exitCode, 0);
    QCOMPARE(projectFiles(project->path()), clean);
    // Once more with the same command, now that index2tag.csv is the new index: no change.
    QCOMPARE(relabel(rattanAdded, {}, false, false).exitCode, 0);
    QCOMPARE(projectFiles(project->path()), clean);
}

void TestRelabel::refusesUnusableInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("err");

    QTest::newRow("no --from") << QStringList{"ds"} << QByteArray("--from OLD_INDEX is needed");
    QTest::newRow("unreadable index")
        << QStringList{"--from", "tags", "ds"} << QByteArray("cannot read the tag index tags");
    QTest::newRow("no dataset") << QStringList{"--from", "index2tag.csv", "nowhere"}
                                << QByteArray("no dataset folder nowhere");
    QTest::newRow("mistyped map") << QStringList{"--from", "index2tag.csv", "--map",
                                                 "Colour: Gery=Colour: Grey", "ds"}
                                  << QByteArray("--map: the old index has no tag \"Colour: Gery\"");
    QTest::newRow("overlapping datasets") << QStringList{"--from", "index2tag.csv", "ds", "ds/."}
                                          << QByteArray("the dataset folders ds and ds/. overlap");
    QTest::newRow("another relabelling unfinished")
        << QStringList{"--from", "other.csv", "ds"}
        << QByteArray("ds/.quadrotag-relabel.journal records an unfinished relabelling");
}

void TestRelabel::refusesUnusableInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, err);

    // An unfinished relabelling from index2tag.csv, which other.csv is not.
    QCOMPARE(relabel(rattanAdded, {}, false, false, 1).exitCode,
             DatasetRelabeller::exitInterrupted);
    QVERIFY(writeFileBytes(path("other.csv"), "0,0,Sofa\n"));
    const QStringList before = projectFiles(project->path());

    QProcess process;
    process.setWorkingDirectory(project->path());
    process.start(QUADROTAG_RELABEL_EXECUTABLE, arguments);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 2);
    const QByteArray printed = process.readAllStandardError();
    QVERIFY2(printed.startsWith("quadrotag-relabel: " + err), printed.constData());
    QCOMPARE(projectFiles(project->path()), before);
}

QTEST_GUILESS_MAIN(TestRelabel)
#include "test_relabel.moc"
