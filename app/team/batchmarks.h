#ifndef QUADROTAG_BATCHMARKS_H
#define QUADROTAG_BATCHMARKS_H

#include "folderstamps.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <memory>
#include <vector>

class TeamDesk;

// What the Images list marks from the share at each refresh: who else holds each image, and
// the rows whose folder someone else saved or reviewed in. With claims in background both are
// looked at on a worker of their own, so a share that stalls leaves the list as it was, never
// the window waiting, and a look that coincides with a step never holds up its claim.
class BatchMarks : public QObject
{
    Q_OBJECT

public:
    explicit BatchMarks(TeamDesk& team);

    // Looks at the batch of these images; found() brings the answer. A look still under way
    // is left to finish, and the batch is looked at again after it.
    void look(const QStringList& imagePaths);

signals:
    // imagePaths: the batch looked at, which the window compares with its own before use.
    void found(const QStringList& imagePaths, const std::vector<QString>& holders,
               const std::vector<FolderStamps::Change>& changes);

private:
    struct Marks
    {
        QStringList imagePaths;
        std::vector<QString> holders;
        std::vector<FolderStamps::Change> changes;
    };

    TeamDesk& team;
    // Used only by one look at a time, on the worker once claims go in background.
    std::shared_ptr<FolderStamps> stamps = std::make_shared<FolderStamps>();
    std::shared_ptr<Marks> latest;
    QFutureWatcher<void> looking;
    // A batch to look at once the look under way is done.
    QStringList waiting;
    bool anyWaiting = false;
    // One look at a time; last, so that it is waited for before the rest goes.
    QThreadPool worker;
};

#endif
