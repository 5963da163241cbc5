#include "batchlistmodel.h"

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
const qreal tickWidth = 2.5;

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

QIcon emptyIcon()
{
    QPixmap pixmap(markSize, markSize);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

} // namespace

BatchListModel::BatchListModel(QObject* parent)
    : QAbstractListModel(parent), doneMark(tickIcon()), proposalMark(ringIcon()),
      noMark(emptyIcon())
{
}

void BatchListModel::setBatch(const QStringList& imagePaths, const std::vector<bool>& labelled,
                              const std::vector<bool>& proposed)
{
    beginResetModel();
    paths = imagePaths;
    this->labelled = labelled;
    this->labelled.resize(std::size_t(paths.size()), false);
    this->proposed = proposed;
    this->proposed.resize(std::size_t(paths.size()), false);
    labelledRows = int(std::count(this->labelled.begin(), this->labelled.end(), true));
    shown = -1;
    endResetModel();
}

void BatchListModel::setLabelled(int row, bool isDone)
{
    if (row < 0 || row >= paths.size() || labelled[std::size_t(row)] == isDone)
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

QStringView BatchListModel::nameAt(int row) const
{
    const QString& path = paths[row];
    return QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool BatchListModel::isLabelled(int row) const
{
    return row >= 0 && row < paths.size() && labelled[std::size_t(row)];
}

bool BatchListModel::isProposed(int row) const
{
    return row >= 0 && row < paths.size() && proposed[std::size_t(row)] &&
           !labelled[std::size_t(row)];
}

int BatchListModel::proposedCount() const
{
    int count = 0;
    for (std::size_t row = 0; row < proposed.size(); ++row)
        count += proposed[row] && !labelled[row] ? 1 : 0;
    return count;
}

int BatchListModel::nextUnlabelledRow(int row) const
{
    const auto start = labelled.begin() + std::clamp(row + 1, 0, int(paths.size()));
    const auto found = std::find(start, labelled.end(), false);
    return found == labelled.end() ? -1 : int(found - labelled.begin());
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
        return nameAt(row).toString();
    case Qt::DecorationRole:
        return isLabelled(row) ? doneMark : isProposed(row) ? proposalMark : noMark;
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
