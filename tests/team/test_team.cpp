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

void TestTeam::claimFileReadsBack_data()
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
    QTest::newRow("since not a time") << QByteArray(good).replace("2026-12-07", "today") << false;
    QTest::newRow("with its process space") << good + "processes b-1/4026531836\n" << true;
}

void TestTeam::claimFileReadsBack()
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
void TestTeam::claimIsStaleOnlyAfterStandingStillOnThisClock_data()
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

void TestTeam::claimIsStaleOnlyAfterStandingStillOnThisClock()
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
        return changedAtSeconds >= 0 && second >= changedAtSeconds ? stamp.addSecs(changedAtSeconds)
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
void TestTeam::claimOfAnEndedProcessIsDeadOnlyOnItsHost_data()
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

void TestTeam::claimOfAnEndedProcessIsDeadOnlyOnItsHost()
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

void TestTeam::exclusiveCreationLetsOneWin()
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

void TestTeam::takingAClaimWritesWhoHoldsIt()
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

QTEST_GUILESS_MAIN(TestTeam)
