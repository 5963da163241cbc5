#include "batchlistmodel.h"

#include "labelpath.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>

#include <algorithm>

namespace {

const int markSize = 16;
const QColor doneColor(0, 150, 60);
const QColor proposalColor(230, 140, 0);
const QColor lockColor(200, 40, 40);
const qreal tickWidth = 2.5;
const signed char notRead = -1;
const QColor acceptedColor(0, 120, 40);
const QColor rejectedColor(200, 0, 60);
const QColor changedColor(200, 110, 0);

// The mark after the name of a reviewed image; none for one never reviewed.
QString reviewMark(ReviewState state)
{
    switch (state) {
    case ReviewState::Accepted:
        return QStringLiteral("  \u2714 accepted");
    case ReviewState::Rejected:
        return QStringLiteral("  \u2716 rejected");
    case ReviewState::ChangedSinceReview:
        return QStringLiteral("  \u21bb changed since review");
    case ReviewState::Unreviewed:
    case ReviewState::Unlabelled:
        break;
    }
    return QString();
}

QVariant reviewColor(ReviewState state)
{
    switch (state) {
    case ReviewState::Accepted:
        return acceptedColor;
    case ReviewState::Rejected:
        return rejectedColor;
    case ReviewState::ChangedSinceReview:
        return changedColor;
    case ReviewState::Unreviewed:
    case ReviewState::Unlabelled:
        break;
    }
    return QVariant();
}

QIcon tickIcon()
{
    QPixmap pixmap(markSize, markSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(doneColor, tickWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(3, 8.5);
    tick.lineTo(6.5, 12);
    tick.lineTo(13, 4);
    painter.drawPath(tick);
    return QIcon(pixmap);
}

// A hollow ring: something is there to look at, nothing is done yet.
QIcon ringIcon()
{
    QPixmap pixmap(markSize, markSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(proposalColor, tickWidth));
    painter.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    return QIcon(pixmap);
}

// A padlock: someone else is working on this image.
QIcon lockIcon()
{
    QPixmap pixmap(markSize, markSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(lockColor, 2));
    painter.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
    painter.drawLine(QPointF(4.5, 6), QPointF(4.5, 8));
    painter.drawLine(QPointF(11.5, 6), QPointF(11.5, 8));
    painter.fillRect(QRectF(2.5, 7.5, 11, 7.5), lockColor);
    return QIcon(pixmap);
}

QIcon emptyIcon()
{
    QPixmap pixmap(markSize, markSize);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

} // namespace

BatchListModel::BatchListModel(QObject* parent)
    : QAbstractListModel(parent), doneMark(tickIcon()), proposalMark(ringIcon()),
      lockMark(lockIcon()), noMark(emptyIcon())
{
}

void BatchListModel::setBatch(const QStringList& imagePaths, const std::vector<bool>& labelled,
                              const std::vector<bool>& proposed, const std::vector<bool>& sharers)
{
    beginResetModel();
    paths = imagePaths;
    reviewStates.assign(std::size_t(imagePaths.size()), notRead);
    this->labelled = labelled;
    this->labelled.resize(std::size_t(paths.size()), false);
    this->proposed = proposed;
    this->proposed.resize(std::size_t(paths.size()), false);
    this->sharers = sharers;
    this->sharers.resize(std::size_t(paths.size()), false);
    holders.assign(std::size_t(paths.size()), QString());
    // A row that shares another's label file is never ticked, whatever the caller found.
    for (std::size_t row = 0; row < this->sharers.size(); ++row)
        if (this->sharers[row])
            this->labelled[row] = false;
    labelledRows = int(std::count(this->labelled.begin(), this->labelled.end(), true));
    sharerRows = int(std::count(this->sharers.begin(), this->sharers.end(), true));
    shown = -1;
    endResetModel();
}

void BatchListModel::setLabelled(int row, bool isDone)
{
    if (row < 0 || row >= paths.size() || labelled[std::size_t(row)] == isDone ||
        (isDone && sharers[std::size_t(row)]))
        return;
    labelled[std::size_t(row)] = isDone;
    labelledRows += isDone ? 1 : -1;
    rowChanged(row);
}

void BatchListModel::setShownRow(int row)
{
    if (row == shown)
        return;
    const int previous = shown;
    shown = row;
    rowChanged(previous);
    rowChanged(row);
}

void BatchListModel::setHolders(const std::vector<QString>& newHolders)
{
    for (std::size_t row = 0; row < holders.size(); ++row) {
        const QString holder = row < newHolders.size() ? newHolders[row] : QString();
        if (holder != holders[row]) {
            holders[row] = holder;
            rowChanged(int(row));
        }
    }
}

bool BatchListModel::isHeld(int row) const
{
    return row >= 0 && row < paths.size() && !holders[std::size_t(row)].isEmpty();
}

QStringView BatchListModel::nameAt(int row) const
{
    const QString& path = paths[row];
    return QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool BatchListModel::isLabelled(int row) const
{
    return row >= 0 && row < paths.size() && labelled[std::size_t(row)];
}

bool BatchListModel::sharesLabelFile(int row) const
{
    return row >= 0 && row < paths.size() && sharers[std::size_t(row)];
}

// The proposal of a row that shares a label file is its keeper's to review.
bool BatchListModel::isProposed(int row) const
{
    return row >= 0 && row < paths.size() && proposed[std::size_t(row)] &&
           !labelled[std::size_t(row)] && !sharers[std::size_t(row)];
}

int BatchListModel::proposedCount() const
{
    int count = 0;
    for (std::size_t row = 0; row < proposed.size(); ++row)
        count += proposed[row] && !labelled[row] && !sharers[row] ? 1 : 0;
    return count;
}

int BatchListModel::nextUnlabelledRow(int row) const
{
    for (int next = std::max(row + 1, 0); next < paths.size(); ++next)
        if (!labelled[std::size_t(next)] && !sharers[std::size_t(next)] && !isHeld(next))
            return next;
    return -1;
}

ReviewState BatchListModel::reviewStateAt(int row) const
{
    if (row < 0 || row >= paths.size() || !isLabelled(row))
        return ReviewState::Unlabelled;
    signed char& held = reviewStates[std::size_t(row)];
    if (held == notRead)
        held = static_cast<signed char>(reviewStateOf(paths[row], labelPathFor(paths[row])));
    return static_cast<ReviewState>(held);
}

void BatchListModel::forgetReviewState(int row)
{
    if (row < 0 || row >= paths.size())
        return;
    reviewStates[std::size_t(row)] = notRead;
    rowChanged(row);
}

int BatchListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(paths.size());
}

QVariant BatchListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= paths.size())
        return QVariant();
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return nameAt(row).toString() + reviewMark(reviewStateAt(row)) +
               (isHeld(row) ? QStringLiteral(" — ") + holders[std::size_t(row)] : QString());
    case Qt::ForegroundRole:
        return reviewColor(reviewStateAt(row));
    case Qt::DecorationRole:
        return isHeld(row)       ? lockMark
               : isLabelled(row) ? doneMark
               : isProposed(row) ? proposalMark
                                 : noMark;
    case Qt::FontRole: {
        if (row != shown)
            return QVariant();
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    case LabelledRole:
        return isLabelled(row);
    case ProposedRole:
        return isProposed(row);
    case HolderRole:
        return holders[std::size_t(row)];
    default:
        return QVariant();
    }
}

void BatchListModel::rowChanged(int row)
{
    if (row < 0 || row >= paths.size())
        return;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed);
}
