#include "batchfilter.h"

#include "imageannotation.h"
#include "labelfile.h"
#include "splitwork.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <numeric>

namespace {

// Case is ignored letter by letter for names in plain letters, as most are; others go through
// Unicode case folding.
bool containsIgnoringCase(QStringView text, QStringView sought)
{
    const auto isAscii = [](QChar character) { return character.unicode() < 0x80; };
    if (!std::all_of(text.begin(), text.end(), isAscii) ||
        !std::all_of(sought.begin(), sought.end(), isAscii))
        return text.contains(sought, Qt::CaseInsensitive);
    const auto lower = [](QChar character) {
        const char16_t code = character.unicode();
        return code >= u'A' && code <= u'Z' ? char16_t(code + (u'a' - u'A')) : code;
    };
    const auto equalIgnoringCase = [&](QChar left, QChar right) {
        return lower(left) == lower(right);
    };
    return std::search(text.begin(), text.end(), sought.begin(), sought.end(), equalIgnoringCase) !=
           text.end();
}

} // namespace

BatchFilter::BatchFilter(BatchListModel& list) : QAbstractProxyModel(nullptr), list(list)
{
    setSourceModel(&list);
    connect(&list, &QAbstractItemModel::modelAboutToBeReset, this, &BatchFilter::beginResetModel);
    connect(&list, &QAbstractItemModel::modelReset, this, [this] {
        listRows();
        endResetModel();
    });
    // Rows are re-checked when their state or the image on screen changes.
    connect(&list, &QAbstractItemModel::dataChanged, this, &BatchFilter::recheck);
    refilter();
}

void BatchFilter::setLabelPaths(const LabelPaths& paths)
{
    labelPaths = paths;
    contents.clear();
    // The new batch was listed when it arrived; only a filter reading label files lists again.
    if (readsContents())
        refilter();
}

void BatchFilter::setTagCaptions(std::vector<TagCaption> newCaptions)
{
    captions = std::move(newCaptions);
    matchCaptions();
    refilter();
}

void BatchFilter::setText(const QString& newText)
{
    const QString oldText = text;
    text = newText.trimmed();
    matchCaptions();
    // A longer text only takes rows away: a name or caption holding it holds the old one too.
    if (!oldText.isEmpty() && containsIgnoringCase(text, oldText))
        narrowRows();
    else
        refilter();
}

void BatchFilter::matchCaptions()
{
    matchingCells.clear();
    if (!text.isEmpty())
        for (const TagCaption& tag : captions)
            if (tag.caption.contains(text, Qt::CaseInsensitive))
                matchingCells.push_back(tag.cell);
    std::sort(matchingCells.begin(), matchingCells.end());
}

void BatchFilter::setState(State newState)
{
    state = newState;
    refilter();
}

void BatchFilter::forgetContents(int row)
{
    if (row >= 0 && row < int(contents.size()))
        contents[std::size_t(row)] = Contents();
}

int BatchFilter::listedRowFrom(int row, int step) const
{
    for (int next = row + step; next >= 0 && next < list.rowCount(); next += step)
        if (accepts(next))
            return next;
    return -1;
}

QModelIndex BatchFilter::index(int row, int column, const QModelIndex& parent) const
{
    return !parent.isValid() && column == 0 && row >= 0 && row < int(listed.size())
               ? createIndex(row, column)
               : QModelIndex();
}

QModelIndex BatchFilter::parent(const QModelIndex& /*child*/) const
{
    return QModelIndex();
}

int BatchFilter::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(listed.size());
}

int BatchFilter::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QModelIndex BatchFilter::mapToSource(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid() || proxyIndex.row() >= int(listed.size()))
        return QModelIndex();
    return list.index(listed[std::size_t(proxyIndex.row())]);
}

QModelIndex BatchFilter::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid())
        return QModelIndex();
    const auto found = std::lower_bound(listed.begin(), listed.end(), sourceIndex.row());
    if (found == listed.end() || *found != sourceIndex.row())
        return QModelIndex();
    return createIndex(int(found - listed.begin()), 0);
}

bool BatchFilter::accepts(int row) const
{
    return row == list.shownRow() || (matchesState(row) && matchesText(row));
}

void BatchFilter::refilter()
{
    beginResetModel();
    listRows();
    endResetModel();
}

void BatchFilter::listRows()
{
    listed = isSharable() ? acceptedOnEveryCore() : acceptedAmong(allRows());
    // A list that shrank gives its memory back.
    listed.shrink_to_fit();
}

void BatchFilter::narrowRows()
{
    std::vector<int> accepted = acceptedAmong(listed);
    // Every row stayed: the list is not laid out again.
    if (accepted.size() == listed.size())
        return;
    beginResetModel();
    listed = std::move(accepted);
    listed.shrink_to_fit();
    endResetModel();
}

std::vector<int> BatchFilter::allRows() const
{
    std::vector<int> rows(std::size_t(std::max(list.rowCount(), 0)));
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

std::vector<int> BatchFilter::acceptedAmong(const std::vector<int>& rows) const
{
    std::vector<int> accepted;
    for (const int row : rows)
        if (accepts(row))
            accepted.push_back(row);
    return accepted;
}

bool BatchFilter::readsContents() const
{
    return state == State::Empty || !matchingCells.empty();
}

// Names and marks are only read, so the rows can be shared out.
bool BatchFilter::isSharable() const
{
    const bool stateOfMarks = state == State::All || state == State::Unlabelled ||
                              state == State::Proposed || state == State::Labelled;
    return stateOfMarks && !readsContents();
}

std::vector<int> BatchFilter::acceptedOnEveryCore() const
{
    const std::size_t rows = std::size_t(std::max(list.rowCount(), 0));
    const int parts = partsFor(rows);
    std::vector<std::vector<int>> acceptedParts(static_cast<std::size_t>(parts));
    runInParts(rows, parts, [&](int part, std::size_t begin, std::size_t end) {
        for (std::size_t row = begin; row < end; ++row)
            if (accepts(int(row)))
                acceptedParts[std::size_t(part)].push_back(int(row));
    });
    std::vector<int> accepted;
    for (const std::vector<int>& part : acceptedParts)
        accepted.insert(accepted.end(), part.begin(), part.end());
    return accepted;
}

void BatchFilter::recheck(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
        recheckRow(row);
}

void BatchFilter::recheckRow(int row)
{
    const auto found = std::lower_bound(listed.begin(), listed.end(), row);
    const int position = int(found - listed.begin());
    const bool isListed = found != listed.end() && *found == row;
    const bool belongs = accepts(row);
    if (isListed && !belongs) {
        beginRemoveRows(QModelIndex(), position, position);
        listed.erase(found);
        endRemoveRows();
    } else if (!isListed && belongs) {
        beginInsertRows(QModelIndex(), position, position);
        listed.insert(found, row);
        endInsertRows();
    } else if (isListed) {
        const QModelIndex changed = index(position, 0);
        emit dataChanged(changed, changed);
    }
}

bool BatchFilter::matchesText(int row) const
{
    if (text.isEmpty() || containsIgnoringCase(list.nameAt(row), text))
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
        return !list.isLabelled(row) && !list.sharesLabelFile(row);
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
