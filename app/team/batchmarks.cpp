#include "batchmarks.h"

#include "teamdesk.h"

#include <QtConcurrent>

BatchMarks::BatchMarks(TeamDesk& team) : team(team)
{
    worker.setMaxThreadCount(1);
    connect(&looking, &QFutureWatcherBase::finished, this, [this] {
        const std::shared_ptr<Marks> marks = std::exchange(latest, nullptr);
        emit found(marks->imagePaths, marks->holders, marks->changes);
        if (std::exchange(anyWaiting, false))
            look(std::exchange(waiting, {}));
    });
}

void BatchMarks::look(const QStringList& imagePaths)
{
    if (!team.claimsInBackground()) {
        emit found(imagePaths, team.holdersOf(imagePaths), stamps->changedRows(imagePaths));
        return;
    }
    if (looking.isRunning()) {
        waiting = imagePaths;
        anyWaiting = true;
        return;
    }
    latest = std::make_shared<Marks>();
    latest->imagePaths = imagePaths;
    looking.setFuture(QtConcurrent::run(&worker, [&team = team, stamps = stamps, marks = latest] {
        marks->holders = team.holdersOf(marks->imagePaths);
        marks->changes = stamps->changedRows(marks->imagePaths);
    }));
}
