#include "claim.h"
#include "labelpath.h"
#include "relabelfixture.h"
#include "teampaths.h"
#include "workflowfixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QSysInfo>
#include <QTest>

#include <sys/stat.h>

#include <utility>

// A relabelling while a program may still hold an image of its folders: that program would
// save the old cells over the relabelled file, so nothing is written.
class TestRelabelHolders : public RelabelFixture
{
    Q_OBJECT

private slots:
    void refusesWhileAProgramHoldsAnImage_data();
    void refusesWhileAProgramHoldsAnImage();
    void imageOpenedDuringTheRunLeavesItUnfinished();
};

void TestRelabelHolders::refusesWhileAProgramHoldsAnImage_data()
{
    QTest::addColumn<QStringList>("images");
    QTest::addColumn<bool>("labelled");
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("processRuns");
    QTest::addColumn<bool>("dryRun");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("said");

    const QString here = QSysInfo::machineHostName();
    const QString longStem = QString("r").repeated(250);
    const QByteArray refused = "quadrotag-relabel: nothing was written: quit the programs";
    QTest::newRow("a running program of this host")
        << QStringList{"a.jpg"} << true << here << true << false << 2
        << "quadrotag-relabel: held by ann on " + here.toUtf8() + ": ds/a.lbl\n" + refused;
    QTest::newRow("an ended program of this host")
        << QStringList{"a.jpg"} << true << here << false << false << 0 << QByteArray();
    QTest::newRow("another host, whose process can't be looked at")
        << QStringList{"a.jpg"} << true << "desk9" << false << false << 2
        << "quadrotag-relabel: held by ann on desk9: ds/a.lbl\n" + refused;
    QTest::newRow("another image of the folder, its file unchanged")
        << QStringList{"wood.jpg"} << true << "desk9" << false << false << 2
        << QByteArray("held by ann on desk9: ds/wood.lbl\n");
    QTest::newRow("images listed by label file")
        << QStringList{"e.jpg", "d.jpg", "c.jpg", "b.jpg", "a.jpg"} << true << "desk9" << false
        << false << 2
        << QByteArray("held by ann on desk9: ds/a.lbl\n"
                      "quadrotag-relabel: held by ann on desk9: ds/b.lbl\n"
                      "quadrotag-relabel: held by ann on desk9: ds/c.lbl\n"
                      "quadrotag-relabel: held by ann on desk9: ds/d.lbl\n"
                      "quadrotag-relabel: held by ann on desk9: ds/e.lbl\n");
    QTest::newRow("an image without a label file yet")
        << QStringList{"c.jpg"} << false << "desk9" << false << false << 2
        << QByteArray("held by ann on desk9: ds/c.lbl\n");
    QTest::newRow("an image of a subfolder")
        << QStringList{"sub/b.jpg"} << true << "desk9" << false << false << 2
        << QByteArray("held by ann on desk9: ds/sub/b.lbl\n");
    QTest::newRow("a label file named by a digest in its claim")
        << QStringList{longStem + ".jpg"} << true << "desk9" << false << false << 2
        << "held by ann on desk9: ds/" + longStem.toUtf8() + ".lbl\n";
    QTest::newRow("a digest of no label file")
        << QStringList{longStem + ".jpg"} << false << "desk9" << false << false << 2
        << "held by ann on desk9: ds/" + claimKeyFor(longStem + ".jpg").toUtf8() + "\n";
    QTest::newRow("an empty claim file, perhaps being written")
        << QStringList{"a.jpg"} << true << "(empty)" << false << false << 2
        << QByteArray("held by a program whose claim file can't be read: ds/a.lbl\n");
    QTest::newRow("a claim file too long to be one")
        << QStringList{"a.jpg"} << true << "(long)" << false << false << 2
        << QByteArray("held by a program whose claim file can't be read: ds/a.lbl\n");
    QTest::newRow("a pipe at the claim's name")
        << QStringList{"a.jpg"} << true << "(pipe)" << false << false << 2
        << QByteArray("held by a program whose claim file can't be read: ds/a.lbl\n");
    QTest::newRow("dry run") << QStringList{"a.jpg"} << true << "desk9" << false << true << 1
                             << QByteArray("ds/a.lbl: held by ann on desk9; quit that program "
                                           "before relabelling\n");
}

void TestRelabelHolders::refusesWhileAProgramHoldsAnImage()
{
    QFETCH(QStringList, images);
    QFETCH(bool, labelled);
    QFETCH(QString, host);
    QFETCH(bool, processRuns);
    QFETCH(bool, dryRun);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, said);

    for (const QString& image : images) {
        const QString imagePath = path("ds/" + image);
        QVERIFY(QDir().mkpath(QFileInfo(imagePath).path()));
        if (labelled && !QFile::exists(labelPathFor(imagePath)))
            QVERIFY(writeFileBytes(labelPathFor(imagePath), twoShapes));
        Claim claim = Claim::ofThisProcess("ann");
        claim.host = host;
        // No process of this host has this id: pids stop far below it.
        const qint64 noSuchProcess = 2000000000;
        claim.pid = processRuns ? QCoreApplication::applicationPid() : noSuchProcess;
        QVERIFY(QDir().mkpath(QFileInfo(claimPathFor(imagePath)).path()));
        const QByteArray bytes = host == "(empty)"  ? QByteArray()
                                 : host == "(long)" ? claim.toBytes().repeated(100)
                                                    : claim.toBytes();
        const QByteArray claimFile = QFile::encodeName(claimPathFor(imagePath));
        QVERIFY(host == "(pipe)" ? ::mkfifo(claimFile.constData(), 0600) == 0
                                 : writeFileBytes(claimPathFor(imagePath), bytes));
    }
    writeFileBytes(path("tags"), rattanAdded);
    const QStringList before = projectFiles(project->path());

    const Outcome outcome = relabel(rattanAdded, {}, false, dryRun);
    QCOMPARE(outcome.exitCode, exitCode);
    const QByteArray printed =
        QString::fromUtf8(outcome.out + outcome.err).remove(project->path() + '/').toUtf8();
    QVERIFY2(printed.contains(said), printed.constData());
    const bool written = exitCode == 0;
    QCOMPARE(projectFiles(project->path()) == before, !written);
    QCOMPARE(QFile::exists(path("ds/.quadrotag-relabel.journal")), written);
}

// A program that opened an image while the run went on read the old cells and may save them:
// the run says so and stays unfinished, and the next one relabels what that program saved.
void TestRelabelHolders::imageOpenedDuringTheRunLeavesItUnfinished()
{
    writeFileBytes(path("tags"), rattanAdded);
    bool opened = false;
    meanwhile = [&] {
        if (std::exchange(opened, true))
            return;
        Claim claim = Claim::ofThisProcess("ann");
        claim.host = "desk9";
        QDir().mkpath(QFileInfo(claimPathFor(path("ds/a.jpg"))).path());
        writeFileBytes(claimPathFor(path("ds/a.jpg")), claim.toBytes());
    };
    const Outcome first = relabel(rattanAdded, {}, false, false);
    QCOMPARE(first.exitCode, 2);
    QVERIFY2(first.err.contains("opened while this run relabelled them"), first.err.constData());
    // That program saves its old cells, then quits.
    QVERIFY(writeFileBytes(path("ds/a.lbl"), twoShapes));
    QVERIFY(QFile::remove(claimPathFor(path("ds/a.jpg"))));
    meanwhile = nullptr;
    QCOMPARE(relabel(rattanAdded, {}, false, false).exitCode, 0);
    QCOMPARE(fileBytes(path("ds/a.lbl")), fileBytes(path("ds/.proposals/a.lbl")));
    QVERIFY(fileBytes(path("ds/a.lbl")) != twoShapes);
}

QTEST_GUILESS_MAIN(TestRelabelHolders)
#include "test_relabelholders.moc"
