#include "claim.h"
#include "datasetrelabeller.h"
#include "labelpath.h"
#include "recoverywriter.h"
#include "relabelfixture.h"
#include "reviewfile.h"
#include "teampaths.h"
#include "workflowfixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestRelabel : public RelabelFixture
{
    Q_OBJECT

private slots:
    void translatesByCaption_data();
    void translatesByCaption();
    void stopsAnywhereAndResumes_data();
    void stopsAnywhereAndResumes();
    void refusesUnusableInput_data();
    void refusesUnusableInput();
    void runsAgainAfterAFinishedRelabelling_data();
    void runsAgainAfterAFinishedRelabelling();
    void keepsUntaggedShapes_data();
    void keepsUntaggedShapes();
    void followsLongNamesToTheirDigests_data();
    void followsLongNamesToTheirDigests();
};

void TestRelabel::translatesByCaption_data()
{
    QTest::addColumn<QByteArray>("index");
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
    QTest::newRow("moved") << oldIndex << rattanAdded << QStringList() << false << false << 0
                           << moved << QByteArray();
    QTest::newRow("dry run") << oldIndex << rattanAdded << QStringList() << false << true << 0
                             << twoShapes
                             << QByteArray("ds/a.lbl: (2, 1) -> (3, 1) Colour: Grey\n"
                                           "ds/a.lbl: (2, 2) -> (3, 2) Colour: Beige\n");
    QTest::newRow("removed") << oldIndex << beigeRemoved << QStringList() << false << false << 1
                             << twoShapes
                             << QByteArray("ds/a.lbl: tag (2, 2) \"Colour: Beige\" has no cell "
                                           "in the new vocabulary (--drop-missing drops it); "
                                           "left untouched\n");
    QTest::newRow("removed and dropped")
        << oldIndex << beigeRemoved << QStringList() << true << false << 0
        << QByteArray("3\n4 1 1 10 1 10 10 1 10 \n2 0 0 2 1 \n") << QByteArray();
    QTest::newRow("renamed through map")
        << oldIndex
        << QByteArray("Sofa 0 Material 6 Wood Fabric Leather Marble Glass Rattan "
                      "Colour 2 Beige Gray")
        << QStringList{"Colour: Grey=Colour: Gray"} << false << false << 0
        << QByteArray("3\n4 1 1 10 1 10 10 1 10 \n2 0 0 3 2 \n4 5 5 20 5 20 20 5 20 \n1 3 1 \n")
        << QByteArray();
    QTest::newRow("shared caption")
        << oldIndex
        << QByteArray("Sofa 0 Material 6 Wood Fabric Leather Marble Glass Rattan "
                      "Colour 3 Grey Beige Grey")
        << QStringList() << false << false << 1 << twoShapes
        << QByteArray("ds/a.lbl: tag (2, 1) \"Colour: Grey\": the new vocabulary has this "
                      "caption at (3, 1) and (3, 3); left untouched\n");
    QTest::newRow("shared caption, the old cell among them")
        << oldIndex
        << QByteArray("Sofa 0 Material 5 Wood Fabric Leather Marble Glass Colour 3 Grey Beige Grey")
        << QStringList() << false << false << 1 << twoShapes
        << QByteArray("ds/a.lbl: tag (2, 1) \"Colour: Grey\": the new vocabulary has this "
                      "caption at (2, 1) and (2, 3); left untouched\n");
    // Two Colour categories that differ by their note only: the index cannot tell them apart.
    QByteArray greyTwice = oldIndex;
    greyTwice.replace("2,2,Colour: Beige", "2,2,Colour: Grey");
    QTest::newRow("caption twice in the old index")
        << greyTwice
        << QByteArray("Sofa 0 Material 5 Wood Fabric Leather Marble Glass Colour 1 Grey")
        << QStringList() << true << true << 1 << twoShapes
        << QByteArray("ds/a.lbl: tag (2, 1) \"Colour: Grey\": the old index has this caption at "
                      "(2, 1) and (2, 2); left untouched\n"
                      "ds/a.lbl: tag (2, 2) \"Colour: Grey\": the old index has this caption at "
                      "(2, 1) and (2, 2); left untouched\n");
}

void TestRelabel::translatesByCaption()
{
    QFETCH(QByteArray, index);
    QFETCH(QByteArray, vocabulary);
    QFETCH(QStringList, maps);
    QFETCH(bool, dropMissing);
    QFETCH(bool, dryRun);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, relabelled);
    QFETCH(QByteArray, reported);

    QVERIFY(writeFileBytes(path("index2tag.csv"), index));
    // Half written by a run killed two days ago: the next run that writes sweeps it.
    QFile leftover(path("ds/.quadrotag/kept/ann@desk1/.0123456789abcdef.tmp"));
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    QVERIFY(leftover.setFileTime(QDateTime::currentDateTime().addDays(-2),
                                 QFileDevice::FileModificationTime));
    leftover.close();
    // The lead accepted a.jpg as it is, and judged wood.jpg on bytes since changed.
    Review accepted;
    accepted.reviewer = "lead";
    accepted.at = QDateTime(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC);
    accepted.labelDigest = bytesDigest(twoShapes);
    Review older = accepted;
    older.labelDigest = bytesDigest("0\n");
    QVERIFY(writeReview(accepted, reviewPathFor(path("ds/a.jpg"))));
    QVERIFY(writeReview(older, reviewPathFor(path("ds/wood.jpg"))));
    const ino_t woodInode = inodeOf(path("ds/wood.lbl"));
    QDir::setCurrent(project->path());
    const Outcome outcome = relabel(vocabulary, maps, dropMissing, dryRun);
    QCOMPARE(outcome.exitCode, exitCode);
    QCOMPARE(fileBytes(path("ds/a.lbl")), relabelled);
    QCOMPARE(fileBytes(path("ds/.proposals/a.lbl")), relabelled);
    // A recovery file holds cells as a label file does.
    QCOMPARE(fileBytes(path("ds/.a.lbl.recovery")), relabelled);
    // Its writer stays named for the bytes it holds now.
    QCOMPARE(fileBytes(path("ds/.a.lbl.recovery.writer")),
             writerLine(recoveryKeeper, relabelled.toStdString()));
    // An operator's edits kept when a claim went elsewhere come back in the new cells.
    QCOMPARE(fileBytes(path("ds/.quadrotag/kept/ann@desk1/a.lbl")), relabelled);
    // Other hidden folders, the team's too, are never part of the dataset.
    QCOMPARE(fileBytes(path("ds/.git/a.lbl")), twoShapes);
    QCOMPARE(fileBytes(path("ds/.quadrotag/a.lbl")), twoShapes);
    QCOMPARE(fileBytes(path("ds/.quadrotag/claims/.a.lbl.recovery")), twoShapes);
    QCOMPARE(fileBytes(path("ds/wood.lbl")), woodOnly);
    QCOMPARE(inodeOf(path("ds/wood.lbl")), woodInode);
    QCOMPARE(leftover.exists(), dryRun);
    // The verdict on a.jpg moves with its bytes; one that judged other bytes stays as it was.
    Review read;
    QVERIFY(readReview(reviewPathFor(path("ds/a.jpg")), read));
    QCOMPARE(read.labelDigest, bytesDigest(relabelled));
    QVERIFY(readReview(reviewPathFor(path("ds/wood.jpg")), read));
    QCOMPARE(read.labelDigest, older.labelDigest);
    QCOMPARE(
        QString::fromUtf8(outcome.out).remove(project->path() + '/').toUtf8().left(reported.size()),
        reported);

    const bool indexReplaced = exitCode == 0 && !dryRun;
    const QStringList kept = QDir(project->path()).entryList({"index2tag-*.csv"});
    QCOMPARE(kept.size(), indexReplaced ? 1 : 0);
    QCOMPARE(fileBytes(path("index2tag.csv")) == index, !indexReplaced);
    if (indexReplaced)
        QCOMPARE(fileBytes(path(kept.first())), index);
    QCOMPARE(QFile::exists(path("ds/.quadrotag-relabel.journal")),
             !dryRun && relabelled != twoShapes);
}

void TestRelabel::stopsAnywhereAndResumes_data()
{
    QTest::addColumn<int>("writes");
    // Three files (a label file, a proposal and a recovery file) of one journal entry and one
    // replacement each, the journal's end, the kept index and the new index: nine writes.
    for (int writes = 0; writes < 9; ++writes)
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

void TestRelabel::runsAgainAfterAFinishedRelabelling_data()
{
    QTest::addColumn<QByteArray>("vocabulary");
    QTest::addColumn<bool>("fromKeptIndex");
    QTest::addColumn<QByteArray>("relabelled");
    QTest::addColumn<QByteArray>("labelledSince");
    QTest::addColumn<QByteArray>("said");

    const QByteArray moved = "3\n4 1 1 10 1 10 10 1 10 \n2 0 0 3 1 \n"
                             "4 5 5 20 5 20 20 5 20 \n1 3 2 \n";
    // Rattan at (2, 1), labelled with the new vocabulary after the first run.
    const QByteArray rattan = "0\n4 1 1 10 1 10 10 1 10 \n1 2 1 \n";
    QTest::newRow("the same relabelling: already done")
        << rattanAdded << true << moved << rattan << QByteArray("/ds is done; nothing to do");
    QTest::newRow("a different one: translated again")
        << QByteArray("Sofa 0\nColour 2 Grey Beige\nMaterial 6 Wood Fabric Leather Marble Glass "
                      "Rattan\n")
        << false
        << QByteArray("3\n4 1 1 10 1 10 10 1 10 \n2 0 0 1 1 \n4 5 5 20 5 20 20 5 20 \n1 1 2 \n")
        << QByteArray("0\n4 1 1 10 1 10 10 1 10 \n1 3 1 \n") << QByteArray();
}

void TestRelabel::runsAgainAfterAFinishedRelabelling()
{
    QFETCH(QByteArray, vocabulary);
    QFETCH(bool, fromKeptIndex);
    QFETCH(QByteArray, relabelled);
    QFETCH(QByteArray, labelledSince);
    QFETCH(QByteArray, said);

    QCOMPARE(relabel(rattanAdded, {}, false, false).exitCode, 0);
    const QStringList kept = QDir(project->path()).entryList({"index2tag-*.csv"});
    QCOMPARE(kept.size(), 1);
    QVERIFY(writeFileBytes(path("ds/x2.lbl"), "0\n4 1 1 10 1 10 10 1 10 \n1 2 1 \n"));
    const QByteArray index = fileBytes(path("index2tag.csv"));
    const QByteArray journal = fileBytes(path("ds/.quadrotag-relabel.journal"));

    const Outcome outcome =
        relabel(vocabulary, {}, false, false, -1, fromKeptIndex ? kept.first() : "index2tag.csv");
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(outcome.out, QByteArray());
    QCOMPARE(fileBytes(path("ds/a.lbl")), relabelled);
    QCOMPARE(fileBytes(path("ds/.a.lbl.recovery")), relabelled);
    QCOMPARE(fileBytes(path("ds/x2.lbl")), labelledSince);
    QVERIFY2(said.isEmpty() ? !outcome.err.contains("nothing to do") : outcome.err.contains(said),
             outcome.err.constData());
    // Done means touched nothing: neither the index nor the journal.
    QCOMPARE(fileBytes(path("index2tag.csv")) == index, !said.isEmpty());
    QCOMPARE(fileBytes(path("ds/.quadrotag-relabel.journal")) == journal, !said.isEmpty());
}

void TestRelabel::keepsUntaggedShapes_data()
{
    QTest::addColumn<QByteArray>("vocabulary");
    QTest::addColumn<bool>("dropMissing");
    QTest::addColumn<QByteArray>("handMade");
    QTest::addColumn<QByteArray>("relabelled");

    const QByteArray untagged = "0\n4 1 1 10 1 10 10 1 10 \n0 \n";
    QTest::newRow("beside a moved tag")
        << rattanAdded << false << untagged + "4 5 5 20 5 20 20 5 20 \n1 2 1 \n"
        << untagged + "4 5 5 20 5 20 20 5 20 \n1 3 1 \n";
    QTest::newRow("beside a shape whose tags were all dropped")
        << QByteArray("Sofa 0 Material 5 Wood Fabric Leather Marble Glass Colour 1 Grey") << true
        << untagged + "4 5 5 20 5 20 20 5 20 \n1 2 2 \n"
        << untagged;
}

void TestRelabel::keepsUntaggedShapes()
{
    QFETCH(QByteArray, vocabulary);
    QFETCH(bool, dropMissing);
    QFETCH(QByteArray, handMade);
    QFETCH(QByteArray, relabelled);

    QVERIFY(writeFileBytes(path("ds/hand.lbl"), handMade));
    QCOMPARE(relabel(vocabulary, {}, dropMissing, false).exitCode, 0);
    QCOMPARE(fileBytes(path("ds/hand.lbl")), relabelled);
}

// A recovery file or review whose name stands as a digest of a name too long for it is
// translated and rekeyed as the one of a shorter name is.
void TestRelabel::followsLongNamesToTheirDigests_data()
{
    QTest::addColumn<QString>("stem");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("digestRecovery");
    QTest::addColumn<bool>("digestReview");
    const QString r = "r";
    QTest::newRow("recovery companion 255 bytes") << r.repeated(234) << ".jpg" << false << false;
    QTest::newRow("recovery companion 256 bytes") << r.repeated(235) << ".jpg" << true << false;
    QTest::newRow("review 255 bytes") << r.repeated(244) << ".jpg" << true << false;
    QTest::newRow("review 256 bytes") << r.repeated(245) << ".jpg" << true << true;
    QTest::newRow("review 256 bytes, .JpG") << r.repeated(245) << ".JpG" << true << true;
    QTest::newRow("review 256 bytes, 3-byte characters") << QString(81, QChar(0x5b57)) + "ab"
                                                         << ".jpg" << true << true;
}

void TestRelabel::followsLongNamesToTheirDigests()
{
    QFETCH(QString, stem);
    QFETCH(QString, suffix);
    QFETCH(bool, digestRecovery);
    QFETCH(bool, digestReview);
    const QString label = path("ds/" + stem + ".lbl");
    const QString image = path("ds/" + stem + suffix);
    const QString recovery = recoveryPathFor(label);
    QCOMPARE(QFileInfo(recovery).fileName().startsWith(".#"), digestRecovery);
    QCOMPARE(QFileInfo(reviewPathFor(image)).fileName().startsWith("#"), digestReview);
    QVERIFY(writeFileBytes(image, "jpeg"));
    QVERIFY(writeFileBytes(label, twoShapes));
    QVERIFY(writeFileBytes(recovery, twoShapes));
    QVERIFY(
        writeFileBytes(recovery + ".writer", writerLine(recoveryKeeper, twoShapes.toStdString())));
    Review accepted;
    accepted.reviewer = "lead";
    accepted.at = QDateTime(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC);
    accepted.labelDigest = bytesDigest(twoShapes);
    QVERIFY(writeReview(accepted, reviewPathFor(image)));

    const Outcome outcome = relabel(rattanAdded, {}, false, false);
    QVERIFY2(outcome.exitCode == 0, outcome.out.constData());
    const QByteArray moved = "3\n4 1 1 10 1 10 10 1 10 \n2 0 0 3 1 \n"
                             "4 5 5 20 5 20 20 5 20 \n1 3 2 \n";
    QCOMPARE(fileBytes(label), moved);
    QCOMPARE(fileBytes(recovery), moved);
    QCOMPARE(fileBytes(recovery + ".writer"), writerLine(recoveryKeeper, moved.toStdString()));
    Review read;
    QVERIFY(readReview(reviewPathFor(image), read));
    QCOMPARE(read.labelDigest, bytesDigest(moved));
}

// Claims of the programs that may hold an image, and those that can't: the whole run is refused
// for any image held in a folder it relabels, even one whose file would not change, since a
// program holding an image saves its old cells whenever it saves.
QTEST_GUILESS_MAIN(TestRelabel)
#include "test_relabel.moc"
