#ifndef QUADROTAG_CLAIM_H
#define QUADROTAG_CLAIM_H

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// Who holds an image: the lines of a claim file. A claim whose holder stopped refreshing it,
// or whose process on this host is gone, is stale and may be taken over.
struct Claim
{
    // Older than this, a claim was not refreshed by its holder and is stale.
    static constexpr qint64 staleAfterSeconds = 120;

    QString operatorName;
    QString host;
    qint64 pid = 0;
    QDateTime since;

    // This program's claim, made now.
    static Claim ofThisProcess(const QString& operatorName);
    // The claim a file holds; nothing when it is not a whole claim.
    static std::optional<Claim> fromBytes(const QByteArray& bytes);
    QByteArray toBytes() const;

    bool isSameProcess(const Claim& other) const;
    // Whether a claim file last modified at `modified` may be taken over by a program on
    // `thisHost` at `now`.
    bool isStale(const QDateTime& modified, const QDateTime& now, const QString& thisHost) const;
    bool operator==(const Claim& other) const;
};

// Whether the process with this id has ended on this computer; false when that can't be told.
bool isProcessGone(qint64 pid);

#endif
