#include "claim.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <sys/types.h>
#endif

namespace {

QByteArray valueOf(const QList<QByteArray>& lines, const QByteArray& key)
{
    const QByteArray prefix = key + ' ';
    for (const QByteArray& line : lines)
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    return QByteArray();
}

} // namespace

Claim Claim::ofThisProcess(const QString& operatorName)
{
    Claim claim;
    claim.operatorName = operatorName;
    claim.host = QSysInfo::machineHostName();
    claim.pid = QCoreApplication::applicationPid();
    claim.since = QDateTime::currentDateTimeUtc();
    claim.processSpace = thisProcessSpace();
    return claim;
}

std::optional<Claim> Claim::fromBytes(const QByteArray& bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    Claim claim;
    claim.operatorName = QString::fromUtf8(valueOf(lines, "operator"));
    claim.host = QString::fromUtf8(valueOf(lines, "host"));
    bool isNumber = false;
    claim.pid = valueOf(lines, "pid").toLongLong(&isNumber);
    claim.since = QDateTime::fromString(QString::fromLatin1(valueOf(lines, "since")), Qt::ISODate);
    claim.processSpace = QString::fromLatin1(valueOf(lines, "processes"));
    if (claim.operatorName.isEmpty() || claim.host.isEmpty() || !isNumber || claim.pid <= 0 ||
        !claim.since.isValid())
        return std::nullopt;
    return claim;
}

QByteArray Claim::toBytes() const
{
    return "operator " + operatorName.toUtf8() + "\nhost " + host.toUtf8() + "\npid " +
           QByteArray::number(pid) + "\nsince " + since.toUTC().toString(Qt::ISODate).toLatin1() +
           '\n' +
           (processSpace.isEmpty() ? QByteArray() : "processes " + processSpace.toLatin1() + '\n');
}

// A claim of an older version, which names no process space, is judged by its host alone.
bool Claim::isSameProcess(const Claim& other) const
{
    return pid == other.pid && host == other.host &&
           (processSpace.isEmpty() || other.processSpace.isEmpty() ||
            processSpace == other.processSpace);
}

// A pid of another process space is no process here: only watching tells such a claim stale.
bool Claim::isOfEndedProcessOn(const Claim& here) const
{
    return host == here.host && (processSpace.isEmpty() || processSpace == here.processSpace) &&
           isProcessGone(pid);
}

bool Claim::operator==(const Claim& other) const
{
    return operatorName == other.operatorName && isSameProcess(other) && since == other.since;
}

QString thisProcessSpace()
{
#ifdef Q_OS_LINUX
    static const QString space = [] {
        QFile boot(QStringLiteral("/proc/sys/kernel/random/boot_id"));
        struct stat namespaceStatus = {};
        if (!boot.open(QIODevice::ReadOnly) || ::stat("/proc/self/ns/pid", &namespaceStatus) != 0)
            return QString();
        const QByteArray bootId = boot.read(64).trimmed();
        return bootId.isEmpty() ? QString()
                                : QString::fromLatin1(bootId) + QLatin1Char('/') +
                                      QString::number(namespaceStatus.st_ino);
    }();
    return space;
#else
    return QString();
#endif
}

bool isZombie(qint64 pid)
{
#ifdef Q_OS_LINUX
    // "pid (command) state ...": the command may hold spaces and parentheses, the state follows
    // the last closing one.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.read(4096);
    const qsizetype end = line.lastIndexOf(')');
    return end >= 0 && line.mid(end + 1).trimmed().startsWith('Z');
#else
    Q_UNUSED(pid);
    return false;
#endif
}

bool isProcessGone(qint64 pid)
{
#ifdef Q_OS_UNIX
    if (pid <= 0)
        return false;
    // No signal is sent; ESRCH alone says there is no such process (EPERM: it runs as another
    // user). A zombie answers the signal but has ended: nobody reaped it, as in a container
    // whose first process does not reap.
    return (::kill(pid_t(pid), 0) == -1 && errno == ESRCH) || isZombie(pid);
#else
    Q_UNUSED(pid);
    return false;
#endif
}
