#ifndef WHENDONE_H
#define WHENDONE_H

#include <QFutureWatcher>
#include <QObject>

#include <functional>

// Runs follow on the owner's thread once done has finished; the watcher is the owner's, so an
// owner gone by then follows nothing.
inline void whenDone(QObject* owner, const QFuture<void>& done, std::function<void()> follow)
{
    auto* watcher = new QFutureWatcher<void>(owner);
    QObject::connect(watcher, &QFutureWatcher<void>::finished, owner,
                     [watcher, follow = std::move(follow)] {
                         watcher->deleteLater();
                         follow();
                     });
    watcher->setFuture(done);
}

#endif
