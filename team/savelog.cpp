#include "savelog.h"

#include "teampaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

SaveLog::SaveLog(const QString& operatorName, const QString& host)
    : operatorName(operatorName), host(host)
{
}

bool SaveLog::append(const QString& imagePath, int storedShapes, const QDateTime& time,
                     long long activeSeconds) const
{
    const QString path = logPathFor(imagePath, operatorName, host);
    const QByteArray line = time.toUTC().toString(Qt::ISODate).toLatin1() + '\t' +
                            escapeLogName(QFileInfo(imagePath).fileName()) + '\t' +
                            QByteArray::number(storedShapes) + '\n';
    // The time comes last, so the first three fields keep their places; yet readers that
    // require exactly three fields (older builds' --stats) skip these lines.
    const QByteArray written =
        activeSeconds < 0 ? line
                          : line.chopped(1) + '\t' + QByteArray::number(activeSeconds) + '\n';
    QFile file(path);
    // Opened first: the log's folder is there after the first save, and a share is asked once.
    const QIODevice::OpenMode appending = QIODevice::WriteOnly | QIODevice::Append;
    const bool opened =
        file.open(appending) || (QDir().mkpath(QFileInfo(path).path()) && file.open(appending));
    // One write of one line: appends of one writer never interleave.
    return opened && file.write(written) == written.size() && file.flush();
}

QByteArray escapeLogName(const QString& name)
{
    QByteArray escaped;
    for (const char byte : name.toUtf8()) {
        switch (byte) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\r':
            escaped += "\\r";
            break;
        default:
            escaped += byte;
        }
    }
    return escaped;
}

QString unescapeLogName(const QByteArray& field)
{
    QByteArray name;
    for (qsizetype at = 0; at < field.size(); ++at) {
        const char byte = field[at];
        if (byte != '\\' || at + 1 == field.size()) {
            name += byte;
            continue;
        }
        const char next = field[++at];
        name += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return QString::fromUtf8(name);
}
