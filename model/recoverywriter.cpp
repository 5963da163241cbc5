#include "recoverywriter.h"

#include <QCryptographicHash>
#include <QList>

namespace {

const char separator = '\t';
const int fieldCount = 4;

QByteArray digestOf(const std::string& bytes)
{
    return QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())),
                                    QCryptographicHash::Sha256)
        .toHex();
}

bool isRecordableName(const QString& name)
{
    if (name.isEmpty() || name.size() > RecoveryWriter::longestName)
        return false;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return false;
    return true;
}

// A name as the line holds it; empty when its bytes are not UTF-8.
QString nameOf(const QByteArray& field)
{
    const QString name = QString::fromUtf8(field);
    return name.toUtf8() == field ? name : QString();
}

} // namespace

bool RecoveryWriter::isRecordable() const
{
    return isRecordableName(operatorName) && isRecordableName(host) && pid > 0;
}

bool RecoveryWriter::operator==(const RecoveryWriter& other) const
{
    return operatorName == other.operatorName && host == other.host && pid == other.pid;
}

QByteArray writerLine(const RecoveryWriter& writer, const std::string& bytes)
{
    return writer.operatorName.toUtf8() + separator + writer.host.toUtf8() + separator +
           QByteArray::number(writer.pid) + separator + digestOf(bytes) + '\n';
}

std::optional<RecoveryWriter> writerOfBytes(const QByteArray& line, const std::string& bytes)
{
    if (!line.endsWith(separator + digestOf(bytes) + '\n'))
        return std::nullopt;
    return writerOfLine(line);
}

std::optional<RecoveryWriter> writerOfLine(const QByteArray& line)
{
    if (!line.endsWith('\n'))
        return std::nullopt;
    const QList<QByteArray> fields = line.chopped(1).split(separator);
    if (fields.size() != fieldCount)
        return std::nullopt;
    RecoveryWriter writer;
    writer.operatorName = nameOf(fields[0]);
    writer.host = nameOf(fields[1]);
    bool isNumber = false;
    writer.pid = fields[2].toLongLong(&isNumber);
    if (!isNumber || !writer.isRecordable())
        return std::nullopt;
    return writer;
}
