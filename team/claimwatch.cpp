#include "claimwatch.h"

#include <QElapsedTimer>

#include <memory>
#include <utility>

ClaimWatch::Clock ClaimWatch::steadyClock()
{
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    return [started] { return started->elapsed(); };
}

ClaimWatch::ClaimWatch(Clock clock) : clock(std::move(clock)) {}

bool ClaimWatch::hasStoodStill(const QString& path, const QByteArray& bytes,
                               const QDateTime& modified, qint64 stillMilliseconds)
{
    const qint64 now = clock();
    auto found = sights.find(path);
    if (found == sights.end() || found->bytes != bytes || found->modified != modified) {
        sights.insert(path, Sight{bytes, modified, now});
        return false;
    }
    return now - found->since > stillMilliseconds;
}

void ClaimWatch::forget(const QString& path)
{
    sights.remove(path);
}

void ClaimWatch::forgetOthersUnder(const QString& folder, const QHash<QString, bool>& seen)
{
    const QString prefix = folder + QLatin1Char('/');
    for (auto sight = sights.begin(); sight != sights.end();) {
        if (sight.key().startsWith(prefix) && !seen.contains(sight.key()))
            sight = sights.erase(sight);
        else
            ++sight;
    }
}
