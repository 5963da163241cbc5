#ifndef QUADROTAG_BATCHLISTMODEL_H
#define QUADROTAG_BATCHLISTMODEL_H

#include "reviewstate.h"

#include <QAbstractListModel>
#include <QIcon>
#include <QStringList>

#include <vector>

// The batch as the "Images" list shows it: one row per image, in batch order, with its
// file name, a done mark when its label file exists, a proposal mark when only a model's
// proposal does, a lock and the holder's name when another operator holds it, and the image
// on screen in bold.
class BatchListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role { LabelledRole = Qt::UserRole + 1, ProposedRole, HolderRole };

    explicit BatchListModel(QObject* parent = nullptr);

    // sharers: the rows whose label file another image keeps ("x.JPG" beside "x.jpg").
    void setBatch(const QStringList& imagePaths, const std::vector<bool>& labelled,
                  const std::vector<bool>& proposed = {}, const std::vector<bool>& sharers = {});
    void setLabelled(int row, bool labelled);
    void setShownRow(int row);
    // The operator holding each image, or an empty name; only rows that changed are redrawn.
    void setHolders(const std::vector<QString>& holders);

    bool isLabelled(int row) const;
    // The row shares another image's label file: read only, never labelled, no work to do.
    bool sharesLabelFile(int row) const;
    // A proposal waits for review: there is one, and no label file yet.
    bool isProposed(int row) const;
    // The file name within the image's path: the list keeps no copy of it.
    QStringView nameAt(int row) const;
    int labelledCount() const { return labelledRows; }
    // The rows that can be labelled: those that keep their own label file.
    int labellableCount() const { return int(paths.size()) - sharerRows; }
    int proposedCount() const;
    int shownRow() const { return shown; }
    // Another operator holds this image.
    bool isHeld(int row) const;
    // The first row after this one without a label file, keeping its own and not held by
    // another, or -1.
    int nextUnlabelledRow(int row) const;
    // Read from the review and label files when first asked, then kept until forgotten.
    ReviewState reviewStateAt(int row) const;
    // The review or the label file of this row was written.
    void forgetReviewState(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void rowChanged(int row);

    // Shared with the batch, not copied.
    QStringList paths;
    // Unknown until asked for; -1 stands for not read yet.
    mutable std::vector<signed char> reviewStates;
    std::vector<bool> labelled;
    std::vector<bool> proposed;
    std::vector<bool> sharers;
    std::vector<QString> holders;
    int labelledRows = 0;
    int sharerRows = 0;
    int shown = -1;
    QIcon doneMark;
    QIcon proposalMark;
    QIcon lockMark;
    // Rows without a mark get an empty icon of the same size, so the names line up.
    QIcon noMark;
};

#endif
