#include "test_team.h"

#include "claimsfolder.h"
#include "claimwatch.h"
#include "imageclaim.h"
#include "teampaths.h"
#include "teamtestfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

// watchedSeconds: how long this program has seen the claim unchanged before taking;
// ageSeconds: how old its stamp looks by this program's wall clock.
void TestTeam::claimIsTakenOverOnlyWhenStale_data()
{
    QTest::addColumn<int>("watchedSeconds");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("processEnded");
    QTest::addColumn<QByteArray>("damage");
    QTest::addColumn<bool>("taken");
    QTest::newRow("live") << 0 << 0 << false << QByteArray() << false;
    QTest::newRow("watched 119 s") << 119 << 0 << false << QByteArray() << false;
    QTest::newRow("watched 121 s") << 121 << 0 << false << QByteArray() << true;
    QTest::newRow("stamped 10 min ago, first sight") << 0 << 600 << false << QByteArray() << false;
    QTest::newRow("its process ended") << 0 << 0 << true << QByteArray() << true;
    QTest::newRow("damaged, fresh") << 0 << 0 << false << QByteArray("operator bob\n") << false;
    QTest::newRow("damaged, watched 121 s")
        << 121 << 0 << false << QByteArray("operator bob\n") << true;
    QTest::newRow("empty, fresh") << 0 << 0 << false << QByteArray("") << false;
    QTest::newRow("empty, watched 121 s") << 121 << 0 << false << QByteArray("") << true;
}

void TestTeam::claimIsTakenOverOnlyWhenStale()
{
    QFETCH(int, watchedSeconds);
    QFETCH(int, ageSeconds);
    QFETCH(bool, processEnded);
    QFETCH(QByteArray, damage);
    QFETCH(bool, taken);
    const bool damaged = !damage.isNull();
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("a.jpg"));
    const QString path = claimPathFor(image);
    const QByteArray theirs =
        damaged
            ? damage
            : claimOfAnother(QStringLiteral("bob"), processEnded ? endedProcessId() : 1).toBytes();
    QVERIFY(writeAll(path, theirs));
    QVERIFY(setAge(path, ageSeconds));
    qint64 now = 0;
    ImageClaim claim(QStringLiteral("ann"), [&now] { return now; });
    if (watchedSeconds > 0) {
        QVERIFY(claim.take(image) != ImageClaim::Result::Held);
        now = watchedSeconds * 1000LL;
    }
    const ImageClaim::Result result = claim.take(image);
    QCOMPARE(result == ImageClaim::Result::Held, taken);
    QCOMPARE(readAll(path) == theirs, !taken);
    if (!taken && !damaged)
        QCOMPARE(claim.holder().operatorName, QStringLiteral("bob"));
    // A claim that names nobody is no holder: the image is read only, and says why.
    if (!taken && damaged) {
        QCOMPARE(result, ImageClaim::Result::Failed);
        QCOMPARE(claim.failure(), ImageClaim::Failure::ClaimUnreadable);
    }
    QVERIFY(!QFile::exists(path.chopped(5) + QStringLiteral("take")));
}

void TestTeam::takeoverMarkKeepsOthersWaitingUntilItStoodStill_data()
{
    QTest::addColumn<int>("markWatchedSeconds");
    QTest::addColumn<QString>("standing");
    QTest::addColumn<bool>("taken");
    QTest::newRow("mark of a takeover going on") << 0 << "file" << false;
    QTest::newRow("mark watched 10 s") << 10 << "file" << false;
    QTest::newRow("mark watched 11 s") << 11 << "file" << true;
    // Opened, it would wait for a writer that never comes.
    QTest::newRow("a pipe as the mark, watched 11 s") << 11 << "pipe" << true;
    QTest::newRow("a folder holding a file as the mark, watched 11 s") << 11 << "folder" << true;
}

void TestTeam::takeoverMarkKeepsOthersWaitingUntilItStoodStill()
{
    QFETCH(int, markWatchedSeconds);
    QFETCH(QString, standing);
    QFETCH(bool, taken);
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("a.jpg"));
    const QString path = claimPathFor(image);
    const QByteArray theirs = claimOfAnother(QStringLiteral("bob")).toBytes();
    QVERIFY(writeAll(path, theirs));
    const QString mark = path.chopped(5) + QStringLiteral("take");
    // Stamped long ago by a clock behind: only what this program saw counts.
    if (standing == "pipe")
        QCOMPARE(::mkfifo(QFile::encodeName(mark).constData(), 0600), 0);
    else if (standing == "folder")
        QVERIFY(QDir().mkpath(mark) && writeAll(mark + QStringLiteral("/inner"), "x\n"));
    else
        QVERIFY(writeAll(mark, "operator cy\n") && setAge(mark, 600));
    qint64 now = 0;
    ImageClaim claim(QStringLiteral("ann"), [&now] { return now; });
    QCOMPARE(claim.take(image), ImageClaim::Result::HeldByOther);
    now = 121000;
    // The claim is stale now; the mark is seen for the first time.
    QCOMPARE(claim.take(image), ImageClaim::Result::HeldByOther);
    now += markWatchedSeconds * 1000LL;
    QCOMPARE(claim.take(image) == ImageClaim::Result::Held, taken);
    QCOMPARE(readAll(path) == theirs, !taken);
}

void TestTeam::claimIsRemovedByItsHolderOnly()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.jpg"));
    const QString b = dir.filePath(QStringLiteral("b.jpg"));
    ImageClaim claim(QStringLiteral("ann"));
    QCOMPARE(claim.take(a), ImageClaim::Result::Held);
    // Taking the next image leaves the last one, once it is released.
    QCOMPARE(claim.take(b), ImageClaim::Result::Held);
    claim.releaseLeft();
    QVERIFY(!QFile::exists(claimPathFor(a)));
    QVERIFY(QFile::exists(claimPathFor(b)));
    // Taken over while this program was not refreshing it: the new holder's file stays.
    const QByteArray theirs = claimOfAnother(QStringLiteral("bob")).toBytes();
    QVERIFY(writeAll(claimPathFor(b), theirs));
    QVERIFY(!claim.refresh());
    claim.release();
    QCOMPARE(readAll(claimPathFor(b)), theirs);
}

// Taken over, and given up before any refresh noticed: bob's live claim stays.
void TestTeam::releasingAClaimTakenOverKeepsTheNewHolders()
{
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("a.jpg"));
    ImageClaim claim(QStringLiteral("ann"));
    QCOMPARE(claim.take(image), ImageClaim::Result::Held);
    const QByteArray theirs = claimOfAnother(QStringLiteral("bob")).toBytes();
    QVERIFY(QFile::remove(claimPathFor(image)));
    QVERIFY(writeAll(claimPathFor(image), theirs));
    claim.release();
    QCOMPARE(readAll(claimPathFor(image)), theirs);
    QVERIFY(!claim.isHeld());
}

// A claim this very program left behind is its own, never a lock against itself: one
// whose touch failed for a moment stays held, one put back from before is taken anew.
void TestTeam::ownClaimNeverLocksItsProgramOut()
{
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("a.jpg"));
    Claim left = Claim::ofThisProcess(QStringLiteral("ann"));
    left.since = QDateTime::currentDateTimeUtc().addSecs(-600);
    QVERIFY(writeAll(claimPathFor(image), left.toBytes()));
    ImageClaim claim(QStringLiteral("ann"));
    QCOMPARE(claim.take(image), ImageClaim::Result::Held);
    QVERIFY(readAll(claimPathFor(image)) != left.toBytes());

    // Another process's claim of the same operator is still another's.
    QVERIFY(QFile::remove(claimPathFor(image)));
    QVERIFY(writeAll(claimPathFor(image), claimOfAnother(QStringLiteral("ann")).toBytes()));
    ImageClaim second(QStringLiteral("ann"));
    QCOMPARE(second.take(image), ImageClaim::Result::HeldByOther);
}

void TestTeam::claimWhoseTouchFailsStaysHeld()
{
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("a.jpg"));
    ImageClaim claim(QStringLiteral("ann"));
    QCOMPARE(claim.take(image), ImageClaim::Result::Held);
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), claimPathFor(image)}) !=
        0)
        QSKIP("chattr +i is not available here to refuse the touch");
    const bool held = claim.refresh();
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), claimPathFor(image)});
    QVERIFY(held);
    QVERIFY(claim.isHeld());
    QVERIFY(claim.refresh());
    // Bytes of another in its place: lost.
    QVERIFY(QFile::remove(claimPathFor(image)));
    QVERIFY(writeAll(claimPathFor(image), claimOfAnother(QStringLiteral("bob")).toBytes()));
    QVERIFY(!claim.refresh());
}

// Images that share a label file share its claim; a name as long as a label file's may be
// still has one, its temporary and takeover names included.
void TestTeam::claimIsOnePerLabelFile_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("shared");
    QTest::newRow("case twins") << "room1.jpg"
                                << "room1.JPG" << true;
    QTest::newRow("other label files") << "room1.jpg"
                                       << "room2.jpg" << false;
    QTest::newRow("240-byte names") << QString(236, QLatin1Char('r')) + ".jpg"
                                    << QString(236, QLatin1Char('r')) + ".JPG" << true;
    QTest::newRow("251-byte stems") << QString(251, QLatin1Char('r')) + ".jpg"
                                    << QString(251, QLatin1Char('r')) + ".jpeg" << true;
    QTest::newRow("251-byte stems, last differs")
        << QString(251, QLatin1Char('r')) + ".jpg" << QString(250, QLatin1Char('r')) + "s.jpg"
        << false;
}

void TestTeam::claimIsOnePerLabelFile()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, shared);
    QTemporaryDir dir;
    ImageClaim ann(QStringLiteral("ann"));
    ImageClaim bob(QStringLiteral("bob"));
    QCOMPARE(ann.take(dir.filePath(first)), ImageClaim::Result::Held);
    QCOMPARE(bob.take(dir.filePath(second)),
             shared ? ImageClaim::Result::HeldByOther : ImageClaim::Result::Held);
    QCOMPARE(claimPathFor(dir.filePath(first)) == claimPathFor(dir.filePath(second)), shared);
    QVERIFY(QFileInfo(claimPathFor(dir.filePath(first))).fileName().toUtf8().size() <= 255);
    // ann's program, showing the other image of the same label file, keeps its claim.
    QCOMPARE(ann.take(dir.filePath(second)),
             shared ? ImageClaim::Result::Held : ImageClaim::Result::HeldByOther);
}

// A file where the claims folder should be: no claim can be made there, even as root. A disk
// full once the claim's file is made (no file may grow): nothing is left in the folder.
void TestTeam::claimFolderThatCantBeMadeIsSaid_data()
{
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("a file in its place") << false;
    QTest::newRow("full once a file is made") << true;
}

void TestTeam::claimFolderThatCantBeMadeIsSaid()
{
    QFETCH(bool, diskFull);
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("a.jpg"));
    const QString claims = dir.filePath(QStringLiteral(".quadrotag/claims"));
    QVERIFY(diskFull ? QDir().mkpath(claims) : writeAll(claims, "x"));
    ImageClaim claim(QStringLiteral("ann"));
    rlimit before = {};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &before) == 0);
    const rlimit full = {0, before.rlim_max};
    signal(SIGXFSZ, SIG_IGN);
    if (diskFull)
        QVERIFY(setrlimit(RLIMIT_FSIZE, &full) == 0);
    const ImageClaim::Result taken = claim.take(image);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &before) == 0);
    QCOMPARE(taken, ImageClaim::Result::Failed);
    QCOMPARE(claim.failure(), ImageClaim::Failure::FolderNotWritable);
    if (diskFull)
        QCOMPARE(QDir(claims).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
}

void TestTeam::refreshRenewsTheModificationTime()
{
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("a.jpg"));
    ImageClaim claim(QStringLiteral("ann"));
    QCOMPARE(claim.take(image), ImageClaim::Result::Held);
    QVERIFY(setAge(claimPathFor(image), 100));
    QVERIFY(claim.refresh());
    QVERIFY(QFileInfo(claimPathFor(image)).lastModified().secsTo(QDateTime::currentDateTimeUtc()) <
            5);
    claim.release();
    QVERIFY(!QFile::exists(claimPathFor(image)));
    QVERIFY(!claim.refresh());
}

void TestTeam::twoProcessesRacingNeverBothWinARound()
{
    QTemporaryDir dir;
    const int rounds = 200;
    // Odd rounds race for a stale claim, which both take over at the same moment.
    const QByteArray stale = claimOfAnother(QStringLiteral("gone"), endedProcessId()).toBytes();
    for (int round = 1; round < rounds; round += 2) {
        const QString path = claimPathFor(dir.filePath(QStringLiteral("r%1.jpg").arg(round)));
        QVERIFY(writeAll(path, stale));
        QVERIFY(setAge(path, 300));
    }
    const QString startFile = dir.filePath(QStringLiteral("start"));
    const QString finishFile = dir.filePath(QStringLiteral("finish"));
    const QStringList arguments{dir.path(), QString::number(rounds), startFile, finishFile};
    QProcess first;
    QProcess second;
    first.start(QStringLiteral(CLAIM_CHILD), arguments);
    second.start(QStringLiteral(CLAIM_CHILD), arguments);
    QVERIFY(first.waitForStarted() && second.waitForStarted());
    const qint64 firstPid = first.processId();
    const qint64 secondPid = second.processId();
    QVERIFY(writeAll(startFile, "go"));
    const QList<QByteArray> firstLines = linesOf(first, rounds);
    const QList<QByteArray> secondLines = linesOf(second, rounds);
    // Read while both children live: a program that ends gives its claims back.
    QList<QByteArray> claimFiles;
    for (int round = 0; round < rounds; ++round)
        claimFiles << readAll(claimPathFor(dir.filePath(QStringLiteral("r%1.jpg").arg(round))));
    QVERIFY(writeAll(finishFile, "done"));
    QVERIFY(first.waitForFinished(60000) && second.waitForFinished(60000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(firstLines.size(), rounds);
    QCOMPARE(secondLines.size(), rounds);
    for (int round = 0; round < rounds; ++round) {
        const QByteArray a = firstLines[round];
        const QByteArray b = secondLines[round];
        const QByteArray won = QByteArray::number(round) + " won";
        const QByteArray lost = QByteArray::number(round) + " lost";
        QVERIFY2((a == won && b == lost) || (a == lost && b == won), (a + " / " + b).constData());
        const std::optional<Claim> holder = Claim::fromBytes(claimFiles[round]);
        QVERIFY(holder);
        QCOMPARE(holder->pid, a == won ? firstPid : secondPid);
    }
}

void TestTeam::claimsFolderListsLiveClaimsOfOthers()
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    ImageClaim own(QStringLiteral("ann"));
    QCOMPARE(own.take(folder + QStringLiteral("/mine.jpg")), ImageClaim::Result::Held);
    QVERIFY(writeAll(claimPathFor(folder + QStringLiteral("/live.jpg")),
                     claimOfAnother(QStringLiteral("bob")).toBytes()));
    const QString old = claimPathFor(folder + QStringLiteral("/old.jpg"));
    QVERIFY(writeAll(old, claimOfAnother(QStringLiteral("cy")).toBytes()));
    QVERIFY(setAge(old, 121));
    QVERIFY(writeAll(claimPathFor(folder + QStringLiteral("/ended.jpg")),
                     claimOfAnother(QStringLiteral("di"), endedProcessId()).toBytes()));
    QVERIFY(writeAll(claimPathFor(folder + QStringLiteral("/bad.jpg")), "operator x\n"));
    qint64 now = 0;
    ClaimsFolder claimsFolder(own.self(), [&now] { return now; });
    // An old stamp may come from a clock behind: live until seen standing still.
    QHash<QString, Claim> claims = claimsFolder.liveClaimsOfOthers(folder);
    QList<QString> keys = claims.keys();
    std::sort(keys.begin(), keys.end());
    QCOMPARE(keys, (QList<QString>{QStringLiteral("live.lbl"), QStringLiteral("old.lbl")}));
    QCOMPARE(claims.value(QStringLiteral("live.lbl")).operatorName, QStringLiteral("bob"));
    // bob's program refreshes its claim; cy's stays as it was.
    now = 100000;
    QVERIFY(setAge(claimPathFor(folder + QStringLiteral("/live.jpg")), 0));
    QCOMPARE(claimsFolder.liveClaimsOfOthers(folder).size(), 2);
    now = 121000;
    claims = claimsFolder.liveClaimsOfOthers(folder);
    QCOMPARE(claims.keys(), QList<QString>{QStringLiteral("live.lbl")});
}
