#ifndef QUADROTAG_CLAIMWATCH_H
#define QUADROTAG_CLAIMWATCH_H

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <functional>

// Tells a dead claim from a live one without comparing clocks: hosts on a share stamp files
// with their own clocks, which may be minutes apart. A claim is stale once this program has
// seen its bytes and modification time unchanged for a while on its own monotonic clock.
class ClaimWatch
{
public:
    // Milliseconds that only go forward; tests drive their own.
    using Clock = std::function<qint64()>;

    static Clock steadyClock();

    explicit ClaimWatch(Clock clock = steadyClock());

    // Whether the file at path, holding bytes and modified at modified, has looked the same
    // for longer than stillMilliseconds; the first sight, or any change, starts the watch anew.
    bool hasStoodStill(const QString& path, const QByteArray& bytes, const QDateTime& modified,
                       qint64 stillMilliseconds);
    void forget(const QString& path);
    // Forgets the files under folder that are not in seen: a listing saw them gone.
    void forgetOthersUnder(const QString& folder, const QHash<QString, bool>& seen);
    void setClock(Clock newClock) { clock = std::move(newClock); }

private:
    struct Sight
    {
        QByteArray bytes;
        QDateTime modified;
        qint64 since = 0;
    };

    Clock clock;
    QHash<QString, Sight> sights;
};

#endif
