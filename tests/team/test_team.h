#ifndef QUADROTAG_TESTS_TEST_TEAM_H
#define QUADROTAG_TESTS_TEST_TEAM_H

#include "claim.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QThread>

#include <sys/wait.h>
#include <unistd.h>

inline bool setAge(const QString& path, qint64 seconds)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-seconds),
                            QFileDevice::FileModificationTime);
}

// The id of a process of this host that has ended.
inline qint64 endedProcessId()
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
inline Claim claimOfAnother(const QString& name, qint64 pid = 1)
{
    Claim claim = Claim::ofThisProcess(name);
    claim.pid = pid;
    return claim;
}

// The first `count` lines the child writes, while it keeps running.
inline QList<QByteArray> linesOf(QProcess& child, int count)
{
    QByteArray output;
    while (output.count('\n') < count && child.waitForReadyRead(60000))
        output += child.readAllStandardOutput();
    return output.trimmed().split('\n');
}

// Claims of the team: how they read back, when they are stale, how one program takes over
// another's, and how two processes race for them.
class TestTeam : public QObject
{
    Q_OBJECT

private slots:
    void claimFileReadsBack_data();
    void claimFileReadsBack();
    void claimIsStaleOnlyAfterStandingStillOnThisClock_data();
    void claimIsStaleOnlyAfterStandingStillOnThisClock();
    void claimOfAnEndedProcessIsDeadOnlyOnItsHost_data();
    void claimOfAnEndedProcessIsDeadOnlyOnItsHost();
    void exclusiveCreationLetsOneWin();
    void takingAClaimWritesWhoHoldsIt();
    void claimIsTakenOverOnlyWhenStale_data();
    void claimIsTakenOverOnlyWhenStale();
    void takeoverMarkKeepsOthersWaitingUntilItStoodStill_data();
    void takeoverMarkKeepsOthersWaitingUntilItStoodStill();
    void claimIsRemovedByItsHolderOnly();
    void releasingAClaimTakenOverKeepsTheNewHolders();
    void ownClaimNeverLocksItsProgramOut();
    void claimWhoseTouchFailsStaysHeld();
    void claimIsOnePerLabelFile_data();
    void claimIsOnePerLabelFile();
    void claimFolderThatCantBeMadeIsSaid_data();
    void claimFolderThatCantBeMadeIsSaid();
    void refreshRenewsTheModificationTime();
    void twoProcessesRacingNeverBothWinARound();
    void claimsFolderListsLiveClaimsOfOthers();
};

#endif
