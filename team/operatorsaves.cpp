#include "operatorsaves.h"

#include "savelog.h"
#include "teampaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QList>

#include <algorithm>

namespace {

const int logFields = 3;
const int timedLogFields = 4;
// Longer than any session at one image; a larger number is no time but a damaged line.
const long long mostSecondsOfALine = 7LL * 24 * 3600;
// A path is at most 4096 bytes, escaped twice that: a longer line is damage, and splitting it
// and keeping its name would cost several times its bytes.
const qsizetype longestLine = 16 * 1024;

// "<operator>@<host>.log": operator names hold no @.
QString operatorOfLog(const QString& logFileName)
{
    const qsizetype at = logFileName.indexOf(QLatin1Char('@'));
    return at > 0 && logFileName.endsWith(QLatin1String(".log")) ? logFileName.left(at) : QString();
}

bool isSaveLine(const QList<QByteArray>& fields)
{
    bool isNumber = false;
    return (fields.size() == logFields || fields.size() == timedLogFields) &&
           !fields[1].isEmpty() && fields[2].trimmed().toInt(&isNumber) >= 0 && isNumber;
}

// -1 for a line that tells no time.
long long secondsOfLine(const QList<QByteArray>& fields)
{
    if (fields.size() != timedLogFields)
        return -1;
    bool isNumber = false;
    const long long seconds = fields[3].trimmed().toLongLong(&isNumber);
    return isNumber && seconds >= 0 && seconds <= mostSecondsOfALine ? seconds : -1;
}

// The date of the line's ISO 8601 time as written; invalid when it can't be read.
QDate dayOfLine(const QList<QByteArray>& fields)
{
    return QDate::fromString(QString::fromLatin1(fields[0].left(10)), Qt::ISODate);
}

} // namespace

bool OperatorSaves::Tally::operator==(const Tally& other) const
{
    return operatorName == other.operatorName && saves == other.saves && images == other.images &&
           seconds == other.seconds && timedImages == other.timedImages;
}

double OperatorSaves::Tally::imagesPerHour() const
{
    return seconds > 0 ? double(timedImages) / activeHours() : 0.0;
}

double OperatorSaves::Week::imagesPerHour() const
{
    return seconds > 0 ? double(timedImages) * 3600.0 / double(seconds) : 0.0;
}

std::vector<OperatorSaves::Tally> OperatorSaves::ofDataset(const QString& root)
{
    OperatorSaves saves;
    const QString teamFolder = QLatin1String(teamFolderName);
    QDirIterator folders(root, {teamFolder}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (folders.hasNext()) {
        const QString found = folders.next();
        const QString imageFolder = found.left(found.size() - teamFolder.size() - 1);
        QDir logs(found + QStringLiteral("/log"));
        for (const QString& name : logs.entryList({QStringLiteral("*.log")}, QDir::Files)) {
            QFile file(logs.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                saves.addLog(imageFolder, name, file.readAll());
        }
    }
    return saves.tallies();
}

void OperatorSaves::addLog(const QString& imageFolder, const QString& logFileName,
                           const QByteArray& bytes)
{
    const QString name = operatorOfLog(logFileName);
    if (name.isEmpty())
        return;
    auto entry = std::find_if(byOperator.begin(), byOperator.end(),
                              [&name](const auto& pair) { return pair.first == name; });
    if (entry == byOperator.end()) {
        byOperator.push_back({name, Counts()});
        entry = byOperator.end() - 1;
    }
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        // A view of the line: copying a million lines first would cost their bytes twice.
        const QList<QByteArray> fields =
            end - start > longestLine
                ? QList<QByteArray>()
                : QByteArray::fromRawData(bytes.constData() + start, end - start).split('\t');
        start = end + 1;
        if (!isSaveLine(fields))
            continue;
        const QString image = imageFolder + QLatin1Char('/') + unescapeLogName(fields[1]);
        ++entry->second.saves;
        entry->second.images.insert(image);
        const QDate day = dayOfLine(fields);
        if (day.isValid())
            ++entry->second.savesByDay[day];
        const long long seconds = secondsOfLine(fields);
        if (seconds >= 0) {
            entry->second.seconds += seconds;
            entry->second.timedImages.insert(image);
            if (day.isValid()) {
                auto& week = entry->second.weeks[day.addDays(1 - day.dayOfWeek())];
                week.first += seconds;
                week.second.insert(image);
            }
        }
    }
}

std::vector<OperatorSaves::Tally> OperatorSaves::tallies() const
{
    std::vector<Tally> result;
    for (const auto& [name, counts] : byOperator)
        result.push_back(tallyOf(name, counts));
    std::sort(result.begin(), result.end(),
              [](const Tally& a, const Tally& b) { return a.operatorName < b.operatorName; });
    return result;
}

OperatorSaves::Tally OperatorSaves::tallyOf(const QString& name, const Counts& counts)
{
    Tally tally{name,
                counts.saves,
                counts.images.size(),
                counts.seconds,
                counts.timedImages.size(),
                counts.savesByDay,
                {}};
    for (const auto& [monday, week] : counts.weeks)
        tally.weeks.push_back({monday, week.first, week.second.size()});
    return tally;
}
