#include "batchfilter.h"

#include "imageannotation.h"
#include "labelfile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

BatchFilter::BatchFilter(BatchListModel& list) : QSortFilterProxyModel(nullptr), list(list)
{
    setSourceModel(&list);
    // Rows are re-checked when their state or the image on screen changes.
    setDynamicSortFilter(true);
}

void BatchFilter::setLabelPaths(const LabelPaths& paths)
{
    labelPaths = paths;
    contents.clear();
    invalidateFilter();
}

void BatchFilter::setTagCaptions(std::vector<TagCaption> newCaptions)
{
    captions = std::move(newCaptions);
    setText(text);
}

void BatchFilter::setText(const QString& newText)
{
    text = newText.trimmed();
    matchingCells.clear();
    if (!text.isEmpty())
        for (const TagCaption& tag : captions)
            if (tag.caption.contains(text, Qt::CaseInsensitive))
                matchingCells.push_back(tag.cell);
    std::sort(matchingCells.begin(), matchingCells.end());
    invalidateFilter();
}

void BatchFilter::setState(State newState)
{
    state = newState;
    invalidateFilter();
}

void BatchFilter::forgetContents(int row)
{
    if (row >= 0 && row < int(contents.size()))
        contents[std::size_t(row)] = Contents();
}

int BatchFilter::listedRowFrom(int row, int step) const
{
    for (int next = row + step; next >= 0 && next < list.rowCount(); next += step)
        if (filterAcceptsRow(next, QModelIndex()))
            return next;
    return -1;
}

bool BatchFilter::filterAcceptsRow(int sourceRow, const QModelIndex& /*sourceParent*/) const
{
    return sourceRow == list.shownRow() || (matchesState(sourceRow) && matchesText(sourceRow));
}

bool BatchFilter::matchesText(int row) const
{
    if (text.isEmpty() || list.nameAt(row).contains(text, Qt::CaseInsensitive))
        return true;
    if (matchingCells.empty() || !list.isLabelled(row))
        return false;
    const std::vector<TagCell>& cells = contentsOf(row).cells;
    return std::any_of(cells.begin(), cells.end(), [this](const TagCell& cell) {
        return std::binary_search(matchingCells.begin(), matchingCells.end(), cell);
    });
}

bool BatchFilter::matchesState(int row) const
{
    switch (state) {
    case State::Unlabelled:
        return !list.isLabelled(row);
    case State::Proposed:
        return list.isProposed(row);
    case State::Labelled:
        return list.isLabelled(row);
    case State::Empty:
        return list.isLabelled(row) && contentsOf(row).shapes == 0;
    case State::Unreviewed:
        return list.reviewStateAt(row) == ReviewState::Unreviewed;
    case State::Accepted:
        return list.reviewStateAt(row) == ReviewState::Accepted;
    case State::Rejected:
        return list.reviewStateAt(row) == ReviewState::Rejected;
    case State::ChangedSinceReview:
        return list.reviewStateAt(row) == ReviewState::ChangedSinceReview;
    case State::All:
        break;
    }
    return true;
}

const BatchFilter::Contents& BatchFilter::contentsOf(int row) const
{
    static const Contents nothing;
    if (row >= int(labelPaths.size()))
        return nothing;
    if (contents.empty())
        contents.resize(std::size_t(labelPaths.size()));
    Contents& held = contents[std::size_t(row)];
    const QFileInfo file(labelPaths[row]);
    const QDateTime modified = file.lastModified();
    const qint64 size = file.exists() ? file.size() : -1;
    if (held.read && held.modified == modified && held.size == size)
        return held;
    held = Contents();
    held.read = true;
    held.modified = modified;
    held.size = size;
    ImageAnnotation annotation;
    bool readToEnd = true;
    readLabelFile(annotation, QFile::encodeName(labelPaths[row]).toStdString(), readToEnd);
    held.shapes = int(annotation.labels.size());
    for (const Label& label : annotation.labels)
        held.cells.insert(held.cells.end(), label.tags.begin(), label.tags.end());
    std::sort(held.cells.begin(), held.cells.end());
    held.cells.erase(std::unique(held.cells.begin(), held.cells.end()), held.cells.end());
    return held;
}
