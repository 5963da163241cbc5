#include "tagindex.h"

#include "taglayout.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const char keptNamePattern[] = "index2tag-%1%2.csv";
const int keptNameAttempts = 100;
const char byteOrderMark[] = "\xEF\xBB\xBF";

bool parseLine(const QByteArray& line, std::pair<int, int>& cell, QString& caption)
{
    // The caption is everything after the second comma: tag names may hold commas.
    const qsizetype first = line.indexOf(',');
    const qsizetype second = first < 0 ? -1 : line.indexOf(',', first + 1);
    if (second < 0)
        return false;
    bool rowOk = false;
    bool columnOk = false;
    cell.first = line.left(first).toInt(&rowOk);
    cell.second = line.mid(first + 1, second - first - 1).toInt(&columnOk);
    caption = QString::fromUtf8(line.mid(second + 1));
    return rowOk && columnOk;
}

// A copy of the same bytes kept before, by a start or a run that was then stopped.
QString keptCopyWith(const QFileInfo& index, const QByteArray& bytes)
{
    const QStringList names =
        index.dir().entryList({QStringLiteral("index2tag-*.csv")}, QDir::Files);
    for (const QString& name : names) {
        QFile kept(index.dir().filePath(name));
        if (kept.size() == bytes.size() && kept.open(QIODevice::ReadOnly) &&
            kept.readAll() == bytes)
            return kept.fileName();
    }
    return QString();
}

} // namespace

TagIndex TagIndex::ofLayout(const TagLayout& layout)
{
    return of(layout, &TagLayout::cellCaption);
}

TagIndex TagIndex::namesOfLayout(const TagLayout& layout)
{
    return of(layout, &TagLayout::cellName);
}

TagIndex TagIndex::of(const TagLayout& layout, QString (TagLayout::*text)(int, int) const)
{
    TagIndex index;
    for (int row = 0; row < layout.rowCount(); ++row)
        for (int column = 0; column < layout.columnCount(); ++column)
            if (layout.isTag(row, column))
                index.add({row, column}, (layout.*text)(row, column));
    return index;
}

bool TagIndex::read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && parse(file.readAll());
}

bool TagIndex::parse(const QByteArray& bytes)
{
    list.clear();
    captions.clear();
    cells.clear();
    QByteArray line;
    std::pair<int, int> cell;
    QString caption;
    for (qsizetype start = bytes.startsWith(byteOrderMark) ? 3 : 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        line = bytes.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        start = end + 1;
        if (line.trimmed().isEmpty())
            continue;
        if (!parseLine(line, cell, caption))
            return false;
        add(cell, caption);
    }
    return true;
}

QByteArray TagIndex::toBytes() const
{
    QByteArray bytes;
    for (const Entry& entry : list) {
        bytes += QByteArray::number(entry.cell.first) + ',' +
                 QByteArray::number(entry.cell.second) + ',' + entry.caption.toUtf8() + '\n';
    }
    return bytes;
}

bool TagIndex::write(const QString& path) const
{
    const QByteArray bytes = toBytes();
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool TagIndex::captionAt(std::pair<int, int> cell, QString& caption) const
{
    const auto found = captions.find(cell);
    if (found == captions.end())
        return false;
    caption = found->second;
    return true;
}

std::vector<std::pair<int, int>> TagIndex::cellsWith(const QString& caption) const
{
    return cells.value(caption);
}

QString TagIndex::keepCopy(const QString& indexPath)
{
    QFile original(indexPath);
    if (!original.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = original.readAll();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QFileInfo info(indexPath);
    const QString existing = keptCopyWith(info, bytes);
    if (!existing.isEmpty())
        return existing;
    // Two starts within one second must not overwrite the first copy.
    for (int attempt = 1; attempt <= keptNameAttempts; ++attempt) {
        const QString suffix = attempt == 1 ? QString() : QStringLiteral("-%1").arg(attempt);
        const QString keptPath =
            info.dir().filePath(QString::fromLatin1(keptNamePattern).arg(stamp, suffix));
        QFile kept(keptPath);
        if (!kept.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (kept.exists())
                continue;
            return QString();
        }
        if (kept.write(bytes) == bytes.size() && kept.flush())
            return keptPath;
        kept.remove();
        return QString();
    }
    return QString();
}

void TagIndex::add(std::pair<int, int> cell, const QString& caption)
{
    list.push_back(Entry{cell, caption});
    captions[cell] = caption;
    cells[caption].push_back(cell);
}

QString cellText(std::pair<int, int> cell)
{
    return QStringLiteral("(%1, %2)").arg(cell.first).arg(cell.second);
}
