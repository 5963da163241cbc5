#ifndef QUADROTAG_FOLDERSTAMPS_H
#define QUADROTAG_FOLDERSTAMPS_H

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

// Which rows of a batch may have had their label or review file changed by someone else since
// the last look. A save replaces its file by a rename, which changes the folder's time; a
// folder's time is compared only with itself, never with this computer's clock.
class FolderStamps
{
public:
    struct Change
    {
        int row;
        // Whether the row's label file is there now: one listing of its folder tells.
        bool labelled;
    };

    // The rows whose folder, or whose folder's reviews, changed since the last call; the first
    // call notes the folders and names no row.
    std::vector<Change> changedRows(const QStringList& imagePaths);
    void clear() { stamps.clear(); }

private:
    QHash<QString, QDateTime> stamps;
};

#endif
