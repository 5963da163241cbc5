#include "shapeclipboard.h"

#include "tagindex.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QMimeData>

#include <algorithm>
#include <cmath>
#include <limits>

const char shapeMimeType[] = "application/x-quadrotag-shapes";

namespace {
const int cornersPerShape = 4;
const QString cornersKey = QStringLiteral("corners");
const QString tagsKey = QStringLiteral("tags");
const QString rowKey = QStringLiteral("row");
const QString columnKey = QStringLiteral("column");
const QString captionKey = QStringLiteral("caption");

// JSON numbers are doubles; only whole numbers a 32-bit int holds are coordinates.
bool readInt(const QJsonValue& value, int& result)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    if (number != std::floor(number) || number < std::numeric_limits<int>::min() ||
        number > std::numeric_limits<int>::max())
        return false;
    result = static_cast<int>(number);
    return true;
}

bool readCorners(const QJsonArray& array, std::vector<QPoint>& corners)
{
    if (array.size() != cornersPerShape)
        return false;
    for (const QJsonValue& value : array) {
        const QJsonArray pair = value.toArray();
        int x = 0;
        int y = 0;
        if (pair.size() != 2 || !readInt(pair[0], x) || !readInt(pair[1], y))
            return false;
        corners.emplace_back(x, y);
    }
    return true;
}

bool readTags(const QJsonArray& array, std::vector<CopiedTag>& tags)
{
    for (const QJsonValue& value : array) {
        const QJsonObject object = value.toObject();
        CopiedTag tag;
        if (!readInt(object.value(rowKey), tag.cell.first) ||
            !readInt(object.value(columnKey), tag.cell.second) ||
            !object.value(captionKey).isString())
            return false;
        tag.caption = object.value(captionKey).toString();
        tags.push_back(tag);
    }
    return true;
}

} // namespace

bool CopiedTag::operator==(const CopiedTag& other) const
{
    return cell == other.cell && caption == other.caption;
}

bool CopiedShape::operator==(const CopiedShape& other) const
{
    return corners == other.corners && tags == other.tags;
}

CopiedShape copiedShapeOf(const Label& shape, const TagIndex& index)
{
    CopiedShape copied;
    copied.corners = shape.points;
    for (const std::pair<int, int>& cell : shape.tags) {
        CopiedTag tag{cell, QString()};
        index.captionAt(cell, tag.caption);
        copied.tags.push_back(tag);
    }
    return copied;
}

QMimeData* shapeMimeData(const CopiedShape& shape)
{
    QJsonArray corners;
    for (const QPoint& corner : shape.corners)
        corners.append(QJsonArray{corner.x(), corner.y()});
    QJsonArray tags;
    for (const CopiedTag& tag : shape.tags)
        tags.append(QJsonObject{
            {rowKey, tag.cell.first}, {columnKey, tag.cell.second}, {captionKey, tag.caption}});
    const QJsonObject object{{cornersKey, corners}, {tagsKey, tags}};
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(shapeMimeType),
                  QJsonDocument(object).toJson(QJsonDocument::Compact));
    return data;
}

bool readCopiedShape(const QMimeData* data, CopiedShape& shape)
{
    const QString type = QString::fromLatin1(shapeMimeType);
    if (!data || !data->hasFormat(type))
        return false;
    const QJsonDocument document = QJsonDocument::fromJson(data->data(type));
    if (!document.isObject())
        return false;
    const QJsonObject object = document.object();
    CopiedShape read;
    if (!readCorners(object.value(cornersKey).toArray(), read.corners) ||
        !readTags(object.value(tagsKey).toArray(), read.tags))
        return false;
    shape = read;
    return true;
}

std::vector<std::pair<int, int>> tagsInVocabulary(const std::vector<CopiedTag>& tags,
                                                  const TagIndex& index, int& leftOff)
{
    std::vector<std::pair<int, int>> cells;
    leftOff = 0;
    for (const CopiedTag& tag : tags) {
        QString caption;
        if (index.captionAt(tag.cell, caption) && caption == tag.caption) {
            cells.push_back(tag.cell);
            continue;
        }
        const std::vector<std::pair<int, int>> named = index.cellsWith(tag.caption);
        if (named.empty())
            ++leftOff;
        else
            cells.push_back(named.front());
    }
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    return cells;
}
