#ifndef QUADROTAG_BATCHFILTER_H
#define QUADROTAG_BATCHFILTER_H

#include "batchlistmodel.h"
#include "labelpaths.h"

#include <QAbstractProxyModel>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// The images of the batch that the "Images" list shows: those whose file name or tag
// captions hold a text, in a state of their label file. The image on screen is always
// shown, so that an image leaves the list only when the operator leaves it. What each
// label file holds is read when a filter first needs it, and again after a save or once
// the file's time or size changed. The rows it lists are kept in one vector, so that a key
// typed over a million images goes over them once.
class BatchFilter : public QAbstractProxyModel
{
    Q_OBJECT

public:
    // Unlabelled: no label file, proposals included, not sharing another image's label file.
    // Empty: a label file without shapes.
    // Unreviewed: labelled, without a review that holds. The review states read each
    // row's review and label file once.
    enum class State {
        All,
        Unlabelled,
        Proposed,
        Labelled,
        Empty,
        Unreviewed,
        Accepted,
        Rejected,
        ChangedSinceReview
    };
    using TagCell = std::pair<int, int>;
    struct TagCaption
    {
        TagCell cell;
        QString caption;
    };

    explicit BatchFilter(BatchListModel& list);

    // The label files of the batch's images, row by row; nothing of them is read yet.
    void setLabelPaths(const LabelPaths& labelPaths);
    void setTagCaptions(std::vector<TagCaption> captions);
    void setText(const QString& text);
    void setState(State state);
    // The label file of this row was written: it is read again when next needed.
    void forgetContents(int row);

    // The nearest row after (step 1) or before (step -1) this one that the list shows, or -1.
    int listedRowFrom(int row, int step) const;

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;

private:
    struct Contents
    {
        bool read = false;
        // The label file as it was read, to notice a change by someone else.
        QDateTime modified;
        qint64 size = -1;
        int shapes = 0;
        // Sorted, each cell once.
        std::vector<TagCell> cells;
    };

    bool accepts(int row) const;
    void matchCaptions();
    // Lists again the rows that pass, from the batch's first row to its last.
    void refilter();
    void listRows();
    // Only rows listed now can stay: the text grew.
    void narrowRows();
    std::vector<int> allRows() const;
    std::vector<int> acceptedAmong(const std::vector<int>& rows) const;
    // Whether a row's test reads what its label file holds.
    bool readsContents() const;
    // The test reads no file, so rows can be checked on several threads at once.
    bool isSharable() const;
    std::vector<int> acceptedOnEveryCore() const;
    // Rows whose state or name changed join or leave the list, or are repainted.
    void recheck(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void recheckRow(int row);
    bool matchesText(int row) const;
    bool matchesState(int row) const;
    const Contents& contentsOf(int row) const;

    BatchListModel& list;
    LabelPaths labelPaths;
    std::vector<TagCaption> captions;
    QString text;
    State state = State::All;
    // The batch rows listed, in batch order.
    std::vector<int> listed;
    // The tag cells whose caption holds the text, sorted.
    std::vector<TagCell> matchingCells;
    // Made when a filter first needs what a label file holds: most batches never do.
    mutable std::vector<Contents> contents;
};

#endif
