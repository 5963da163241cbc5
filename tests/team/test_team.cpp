#include "claim.h"
#include "claimsfolder.h"
#include "claimwatch.h"
#include "imageclaim.h"
#include "teampaths.h"
#include "teamtestfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool setAge(const QString& path, qint64 seconds)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-seconds),
                            QFileDevice::FileModificationTime);
}

// The id of a process of this host that has ended.
qint64 endedProcessId()
{
    QProcess process;
    process.start(QStringLiteral("true"), {});
    process.waitForStarted();
    const qint64 pid = process.processId();
    process.waitForFinished();
    return pid;
}

// A child that has ended and that nobody reaps until this goes.
class Zombie
{
public:
    Zombie() : pid(::fork())
    {
        if (pid == 0)
            ::_exit(0);
        // Ended once its state says so; nobody waits for it meanwhile.
        for (int look = 0; look < 500 && !isZombie(pid); ++look)
            QThread::msleep(2);
    }
    ~Zombie() { ::waitpid(pid, nullptr, 0); }
    const pid_t pid;
};

// A claim of another program of this host that runs as long as the test does.
Claim claimOfAnother(const QString& name, qint64 pid = 1)
{
    Claim claim = Claim::ofThisProcess(name);
    claim.pid = pid;
    return claim;
}

// The first `count` lines the child writes, while it keeps running.
QList<QByteArray> linesOf(QProcess& child, int count)
{
    QByteArray output;
    while (output.count('\n') < count && child.waitForReadyRead(60000))
        output += child.readAllStandardOutput();
    return output.trimmed().split('\n');
}

} // namespace

class TestTeam : public QObject
{
    Q_OBJECT

private slots:
    void claimFileReadsBack_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("whole");
        const QByteArray good = "operator ann\nhost pc1\npid 42\nsince 2026-12-07T18:30:00Z\n";
        QTest::newRow("whole") << good << true;
        QTest::newRow("empty, as while written without hard links") << QByteArray() << false;
        QTest::newRow("no operator") << QByteArray(good).replace("operator ann\n", "") << false;
        QTest::newRow("no host") << QByteArray(good).replace("host pc1\n", "") << false;
        QTest::newRow("pid not a number") << QByteArray(good).replace("pid 42", "pid x") << false;
        QTest::newRow("pid zero") << QByteArray(good).replace("pid 42", "pid 0") << false;
        QTest::newRow("since not a time")
            << QByteArray(good).replace("2026-12-07", "today") << false;
        QTest::newRow("with its process space") << good + "processes b-1/4026531836\n" << true;
    }
    void claimFileReadsBack()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, whole);
        const std::optional<Claim> claim = Claim::fromBytes(bytes);
        QCOMPARE(claim.has_value(), whole);
        if (whole) {
            QCOMPARE(claim->operatorName, QStringLiteral("ann"));
            QCOMPARE(claim->pid, 42);
            QCOMPARE(claim->toBytes(), bytes);
        }
    }

    // Staleness is what this program saw, on its own clock: the file's time is only compared
    // with the file's time as seen before, so a writer's clock minutes off changes nothing.
    void claimIsStaleOnlyAfterStandingStillOnThisClock_data()
    {
        QTest::addColumn<int>("changedAtSeconds");
        QTest::addColumn<int>("stampShiftSeconds");
        QTest::addColumn<int>("lookedAtSeconds");
        QTest::addColumn<bool>("stale");
        // changedAtSeconds < 0: never changed; stampShiftSeconds: how far the file's stamp
        // lies behind this program's wall clock (a writer's clock behind).
        QTest::newRow("first sight") << -1 << 0 << 0 << false;
        QTest::newRow("unchanged 120 s") << -1 << 0 << 120 << false;
        QTest::newRow("unchanged 121 s") << -1 << 0 << 121 << true;
        QTest::newRow("stamped 3 min behind, first sight") << -1 << 180 << 0 << false;
        QTest::newRow("stamped 3 min behind, 60 s later") << -1 << 180 << 60 << false;
        QTest::newRow("stamped 3 min ahead, 121 s later") << -1 << -180 << 121 << true;
        QTest::newRow("refreshed at 100 s, 121 s after first sight") << 100 << 0 << 121 << false;
        QTest::newRow("refreshed at 100 s, seen at 105 s, 225 s") << 100 << 0 << 225 << false;
        QTest::newRow("refreshed at 100 s, seen at 105 s, 226 s") << 100 << 0 << 226 << true;
    }
    void claimIsStaleOnlyAfterStandingStillOnThisClock()
    {
        QFETCH(int, changedAtSeconds);
        QFETCH(int, stampShiftSeconds);
        QFETCH(int, lookedAtSeconds);
        QFETCH(bool, stale);
        qint64 now = 0;
        ClaimWatch watch([&now] { return now; });
        const QByteArray bytes = claimOfAnother(QStringLiteral("bob")).toBytes();
        const QDateTime stamp = QDateTime::currentDateTimeUtc().addSecs(-stampShiftSeconds);
        const QString path = QStringLiteral("/share/.quadrotag/claims/a.lbl.claim");
        const qint64 stillFor = Claim::staleAfterSeconds * 1000;
        // The holder's one refresh gives the file a new stamp from then on.
        const auto stampAt = [&](int second) {
            return changedAtSeconds >= 0 && second >= changedAtSeconds
                       ? stamp.addSecs(changedAtSeconds)
                       : stamp;
        };
        // Looked at every 15 s, as the holders' refresh does, then once more.
        for (int second = 0; second < lookedAtSeconds; second += 15) {
            now = second * 1000LL;
            QVERIFY(!watch.hasStoodStill(path, bytes, stampAt(second), stillFor));
        }
        now = lookedAtSeconds * 1000LL;
        QCOMPARE(watch.hasStoodStill(path, bytes, stampAt(lookedAtSeconds), stillFor), stale);
    }

    // space: the claim's process space, "" as older versions write none.
    void claimOfAnEndedProcessIsDeadOnlyOnItsHost_data()
    {
        QTest::addColumn<bool>("thisHost");
        QTest::addColumn<QString>("space");
        QTest::addColumn<QString>("process");
        QTest::addColumn<bool>("dead");
        QTest::newRow("running here") << true << "here"
                                      << "running" << false;
        QTest::newRow("ended here") << true << "here"
                                    << "ended" << true;
        QTest::newRow("a zombie here") << true << "here"
                                       << "zombie" << true;
        QTest::newRow("ended on another host") << false << "here"
                                               << "ended" << false;
        QTest::newRow("ended here, older version's claim") << true << ""
                                                           << "ended" << true;
        // Another container or machine that goes by the same host name.
        QTest::newRow("same host name, other processes") << true << "b/7"
                                                         << "ended" << false;
    }
    void claimOfAnEndedProcessIsDeadOnlyOnItsHost()
    {
        QFETCH(bool, thisHost);
        QFETCH(QString, space);
        QFETCH(QString, process);
        QFETCH(bool, dead);
        const Zombie zombie;
        QVERIFY(isZombie(zombie.pid));
        const qint64 pid = process == "running" ? 1
                           : process == "ended" ? endedProcessId()
                                                : qint64(zombie.pid);
        Claim claim = claimOfAnother(QStringLiteral("ann"), pid);
        claim.processSpace = space == "here" ? claim.processSpace : space;
        Claim here = Claim::ofThisProcess(QStringLiteral("bob"));
        here.host = thisHost ? claim.host : claim.host + QStringLiteral("-other");
        QCOMPARE(claim.isOfEndedProcessOn(here), dead);
    }

    void exclusiveCreationLetsOneWin()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.claim"));
        QVERIFY(createExclusively(path, "first\n"));
        QVERIFY(!createExclusively(path, "second\n"));
        QCOMPARE(readAll(path), QByteArray("first\n"));
        // No temporary file is left behind, won or lost.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("x.claim")});
    }

    void takingAClaimWritesWhoHoldsIt()
    {
        QTemporaryDir dir;
        const QString image = dir.filePath(QStringLiteral("a.jpg"));
        ImageClaim claim(QStringLiteral("ann"));
        QCOMPARE(claim.take(image), ImageClaim::Result::Held);
        const std::optional<Claim> written = Claim::fromBytes(readAll(claimPathFor(image)));
        QVERIFY(written);
        QCOMPARE(written->operatorName, QStringLiteral("ann"));
        QCOMPARE(written->host, QSysInfo::machineHostName());
        QCOMPARE(written->pid, QCoreApplication::applicationPid());
        QVERIFY(qAbs(written->since.secsTo(QDateTime::currentDateTimeUtc())) < 5);
        QCOMPARE(claim.heldImage(), image);
    }

    // watchedSeconds: how long this program has seen the claim unchanged before taking;
    // ageSeconds: how old its stamp looks by this program's wall clock.
    void claimIsTakenOverOnlyWhenStale_data()
    {
        QTest::addColumn<int>("watchedSeconds");
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<bool>("processEnded");
        QTest::addColumn<QByteArray>("damage");
        QTest::addColumn<bool>("taken");
        QTest::newRow("live") << 0 << 0 << false << QByteArray() << false;
        QTest::newRow("watched 119 s") << 119 << 0 << false << QByteArray() << false;
        QTest::newRow("watched 121 s") << 121 << 0 << false << QByteArray() << true;
        QTest::newRow("stamped 10 min ago, first sight")
            << 0 << 600 << false << QByteArray() << false;
        QTest::newRow("its process ended") << 0 << 0 << true << QByteArray() << true;
        QTest::newRow("damaged, fresh") << 0 << 0 << false << QByteArray("operator bob\n") << false;
        QTest::newRow("damaged, watched 121 s")
            << 121 << 0 << false << QByteArray("operator bob\n") << true;
        QTest::newRow("empty, fresh") << 0 << 0 << false << QByteArray("") << false;
        QTest::newRow("empty, watched 121 s") << 121 << 0 << false << QByteArray("") << true;
    }
    void claimIsTakenOverOnlyWhenStale()
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
            damaged ? damage
                    : claimOfAnother(QStringLiteral("bob"), processEnded ? endedProcessId() : 1)
                          .toBytes();
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

    void takeoverMarkKeepsOthersWaitingUntilItStoodStill_data()
    {
        QTest::addColumn<int>("markWatchedSeconds");
        QTest::addColumn<bool>("pipe");
        QTest::addColumn<bool>("taken");
        QTest::newRow("mark of a takeover going on") << 0 << false << false;
        QTest::newRow("mark watched 10 s") << 10 << false << false;
        QTest::newRow("mark watched 11 s") << 11 << false << true;
        // Opened, it would wait for a writer that never comes.
        QTest::newRow("a pipe as the mark, watched 11 s") << 11 << true << true;
    }
    void takeoverMarkKeepsOthersWaitingUntilItStoodStill()
    {
        QFETCH(int, markWatchedSeconds);
        QFETCH(bool, pipe);
        QFETCH(bool, taken);
        QTemporaryDir dir;
        const QString image = dir.filePath(QStringLiteral("a.jpg"));
        const QString path = claimPathFor(image);
        const QByteArray theirs = claimOfAnother(QStringLiteral("bob")).toBytes();
        QVERIFY(writeAll(path, theirs));
        const QString mark = path.chopped(5) + QStringLiteral("take");
        // Stamped long ago by a clock behind: only what this program saw counts.
        if (pipe)
            QCOMPARE(::mkfifo(QFile::encodeName(mark).constData(), 0600), 0);
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

    void claimIsRemovedByItsHolderOnly()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a.jpg"));
        const QString b = dir.filePath(QStringLiteral("b.jpg"));
        ImageClaim claim(QStringLiteral("ann"));
        QCOMPARE(claim.take(a), ImageClaim::Result::Held);
        // Taking the next image leaves the last one.
        QCOMPARE(claim.take(b), ImageClaim::Result::Held);
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
    void releasingAClaimTakenOverKeepsTheNewHolders()
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
    void ownClaimNeverLocksItsProgramOut()
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

    void claimWhoseTouchFailsStaysHeld()
    {
        QTemporaryDir dir;
        const QString image = dir.filePath(QStringLiteral("a.jpg"));
        ImageClaim claim(QStringLiteral("ann"));
        QCOMPARE(claim.take(image), ImageClaim::Result::Held);
        if (QProcess::execute(QStringLiteral("chattr"),
                              {QStringLiteral("+i"), claimPathFor(image)}) != 0)
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
    void claimIsOnePerLabelFile_data()
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
    void claimIsOnePerLabelFile()
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

    void claimFolderThatCantBeMadeIsSaid()
    {
        QTemporaryDir dir;
        const QString image = dir.filePath(QStringLiteral("a.jpg"));
        // A file where the claims folder should be: no claim can be made there, even as root.
        QVERIFY(writeAll(dir.filePath(QStringLiteral(".quadrotag/claims")), "x"));
        ImageClaim claim(QStringLiteral("ann"));
        QCOMPARE(claim.take(image), ImageClaim::Result::Failed);
        QCOMPARE(claim.failure(), ImageClaim::Failure::FolderNotWritable);
    }

    void refreshRenewsTheModificationTime()
    {
        QTemporaryDir dir;
        const QString image = dir.filePath(QStringLiteral("a.jpg"));
        ImageClaim claim(QStringLiteral("ann"));
        QCOMPARE(claim.take(image), ImageClaim::Result::Held);
        QVERIFY(setAge(claimPathFor(image), 100));
        QVERIFY(claim.refresh());
        QVERIFY(
            QFileInfo(claimPathFor(image)).lastModified().secsTo(QDateTime::currentDateTimeUtc()) <
            5);
        claim.release();
        QVERIFY(!QFile::exists(claimPathFor(image)));
        QVERIFY(!claim.refresh());
    }

    void twoProcessesRacingNeverBothWinARound()
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
            QVERIFY2((a == won && b == lost) || (a == lost && b == won),
                     (a + " / " + b).constData());
            const std::optional<Claim> holder = Claim::fromBytes(claimFiles[round]);
            QVERIFY(holder);
            QCOMPARE(holder->pid, a == won ? firstPid : secondPid);
        }
    }

    void claimsFolderListsLiveClaimsOfOthers()
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
};

QTEST_GUILESS_MAIN(TestTeam)
#include "test_team.moc"
