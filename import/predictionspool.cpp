#include "predictionspool.h"

#include <QDir>

PredictionSpool::PredictionSpool() = default;

bool PredictionSpool::append(const QByteArray& key, const QByteArray& record)
{
    if (!scratch.isValid())
        return false;
    if (key != currentKey || !current.isOpen()) {
        current.close();
        current.setFileName(pathOf(key));
        currentKey = key;
        if (!current.open(QIODevice::Append))
            return false;
    }
    return current.write(record + '\n') == record.size() + 1;
}

QList<QByteArray> PredictionSpool::take(const QByteArray& key)
{
    if (key == currentKey)
        current.close();
    QFile file(pathOf(key));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> records = file.readAll().split('\n');
    records.removeLast();
    file.remove();
    return records;
}

bool PredictionSpool::has(const QByteArray& key) const
{
    return QFile::exists(pathOf(key));
}

QList<QByteArray> PredictionSpool::remainingKeys() const
{
    QList<QByteArray> keys;
    for (const QString& name : QDir(scratch.path()).entryList(QDir::Files, QDir::Name))
        keys << QByteArray::fromHex(name.toLatin1());
    return keys;
}

QString PredictionSpool::pathOf(const QByteArray& key) const
{
    // Hex keeps any name a model wrote, slashes and dots included, inside the scratch folder.
    return scratch.filePath(QString::fromLatin1(key.toHex()));
}
