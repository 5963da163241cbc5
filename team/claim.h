#ifndef QUADROTAG_CLAIM_H
#define QUADROTAG_CLAIM_H

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// Who holds a label file: the lines of a claim file. A claim whose holder stopped refreshing
// it (ClaimWatch judges that), or whose process on this host is gone, may be taken over.
struct Claim
{
    // Seen unchanged for longer than this, a claim was not refreshed by its holder and is
    // stale; holders refresh theirs well within half this time.
    static constexpr qint64 staleAfterSeconds = 120;

    QString operatorName;
    QString host;
    qint64 pid = 0;
    QDateTime since;
    // What tells this computer's processes apart from those of another with the same host name
    // (another container, another machine): its boot and its process namespace. Empty where
    // it can't be told, and in the claims of older versions.
    QString processSpace;

    // This program's claim, made now.
    static Claim ofThisProcess(const QString& operatorName);
    // The claim a file holds; nothing when it is not a whole claim.
    static std::optional<Claim> fromBytes(const QByteArray& bytes);
    QByteArray toBytes() const;

    bool isSameProcess(const Claim& other) const;
    // Whether its process ran beside here's (the same host and process space) and is gone:
    // such a claim is dead at once. A claim that names no process space is judged by its host.
    bool isOfEndedProcessOn(const Claim& here) const;
    bool operator==(const Claim& other) const;
};

// This computer's process space, as claims record it; empty where it can't be told.
QString thisProcessSpace();
// Whether the process with this id has ended on this computer, also when it is a zombie that
// nobody reaped; false when that can't be told.
bool isProcessGone(qint64 pid);
// Whether the process with this id has ended and waits to be reaped.
bool isZombie(qint64 pid);

#endif
