#include "textpredictions.h"

#include <cmath>

namespace {

const int cornerValues = 8;
// More classes than any vocabulary holds; a bigger index in data.yaml is a mistake.
const int maxClassIndex = 100000;

bool parseNumber(const QByteArray& token, double& value)
{
    bool ok = false;
    value = token.toDouble(&ok);
    return ok && std::isfinite(value);
}

// Reads eight corner values from fields[first..first + 7].
bool parseCorners(const QList<QByteArray>& fields, int first, Prediction& prediction)
{
    for (int i = 0; i < cornerValues; ++i) {
        double value = 0;
        if (!parseNumber(fields.at(first + i), value))
            return false;
        QPointF& corner = prediction.corners[static_cast<std::size_t>(i / 2)];
        (i % 2 == 0 ? corner.rx() : corner.ry()) = value;
    }
    return true;
}

QList<QByteArray> fieldsOf(const QByteArray& line)
{
    return line.simplified().split(' ');
}

QString unquoted(const QByteArray& text)
{
    QByteArray value = text.trimmed();
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        value = value.mid(1, value.size() - 2).replace("\\\"", "\"").replace("\\\\", "\\");
    else if (value.size() >= 2 && value.startsWith('\'') && value.endsWith('\''))
        value = value.mid(1, value.size() - 2).replace("''", "'");
    return QString::fromUtf8(value);
}

// The end of the quoted item that starts at start, past its closing quote; -1 when it has none.
qsizetype quotedEnd(const QByteArray& text, qsizetype start)
{
    const char quote = text.at(start);
    for (qsizetype at = start + 1; at < text.size(); ++at) {
        if (quote == '"' && text.at(at) == '\\')
            ++at;
        else if (text.at(at) == quote && quote == '\'' && at + 1 < text.size() &&
                 text.at(at + 1) == '\'')
            ++at;
        else if (text.at(at) == quote)
            return at + 1;
    }
    return -1;
}

// "name  # note": a '#' after a blank starts a comment, unless quotes hold it.
QByteArray withoutComment(const QByteArray& text)
{
    const QByteArray value = text.trimmed();
    qsizetype from = 0;
    if ((value.startsWith('"') || value.startsWith('\'')) && (from = quotedEnd(value, 0)) < 0)
        return value;
    for (qsizetype at = from; at < value.size(); ++at) {
        if (value.at(at) == '#' && (at == 0 || value.at(at - 1) == ' ' || value.at(at - 1) == '\t'))
            return value.left(at).trimmed();
    }
    return value;
}

// "[a, 'b, c', "d"]": a comma or bracket inside quotes belongs to the name.
bool parseFlowList(const QByteArray& rest, QStringList& names)
{
    qsizetype itemStart = 1;
    for (qsizetype at = 1; at < rest.size(); ++at) {
        const char c = rest.at(at);
        if ((c == '"' || c == '\'') && rest.mid(itemStart, at - itemStart).trimmed().isEmpty()) {
            if ((at = quotedEnd(rest, at)) < 0)
                return false;
            --at;
        } else if (c == ',' || c == ']') {
            const QByteArray item = rest.mid(itemStart, at - itemStart);
            if (!item.trimmed().isEmpty())
                names << unquoted(item);
            itemStart = at + 1;
            const QByteArray after = rest.mid(at + 1).trimmed();
            if (c == ']')
                return after.isEmpty() || after.startsWith('#');
        }
    }
    return false;
}

// One entry below "names:": "N: name" or "- name". A class named twice has no one name.
bool parseBlockItem(const QByteArray& item, QStringList& names, QString& error)
{
    error = QStringLiteral("cannot read the class name line \"%1\"").arg(QString::fromUtf8(item));
    if (item.startsWith('-')) {
        names << unquoted(withoutComment(item.mid(1)));
        return true;
    }
    const qsizetype colon = item.indexOf(':');
    bool ok = false;
    const int index = colon > 0 ? item.left(colon).trimmed().toInt(&ok) : -1;
    if (!ok || index < 0 || index > maxClassIndex)
        return false;
    if (index < names.size() && !names.at(index).isEmpty()) {
        error = QStringLiteral("class %1 is named twice").arg(index);
        return false;
    }
    while (names.size() <= index)
        names << QString();
    names[index] = unquoted(withoutComment(item.mid(colon + 1)));
    return true;
}

} // namespace

bool parseYoloObbLine(const QByteArray& line, const QStringList& names, Prediction& prediction,
                      QString& error)
{
    const QList<QByteArray> fields = fieldsOf(line);
    if (fields.size() != 1 + cornerValues && fields.size() != 2 + cornerValues) {
        error = QStringLiteral("%1 fields, not 9 or 10").arg(fields.size());
        return false;
    }
    bool ok = false;
    const int classIndex = fields.at(0).toInt(&ok);
    if (!ok || classIndex < 0 || classIndex >= names.size() || names.at(classIndex).isEmpty()) {
        error = QStringLiteral("class %1 is not in data.yaml").arg(QString::fromUtf8(fields.at(0)));
        return false;
    }
    prediction = Prediction();
    prediction.className = names.at(classIndex);
    prediction.normalised = true;
    if (!parseCorners(fields, 1, prediction) ||
        (fields.size() > 1 + cornerValues && !parseNumber(fields.last(), prediction.score))) {
        error = QStringLiteral("a corner or the confidence is not a number");
        return false;
    }
    return true;
}

QString encodingFault(const QByteArray& head)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        return QStringLiteral("begins with a byte-order mark; save it as UTF-8 without one");
    // Text of these formats begins with a character of ASCII: in UTF-16 one of its two bytes is 0.
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF") ||
        (head.size() >= 2 && (head.at(0) == '\0' || head.at(1) == '\0')))
        return QStringLiteral("is UTF-16 text; save it as UTF-8");
    return QString();
}

bool readBoundedLine(QIODevice& device, qint64 limit, QByteArray& line)
{
    // readLine keeps one byte of its size for a terminator: room for limit, "\r\n" and one more.
    line = device.readLine(limit + 4);
    const bool ended = line.endsWith('\n');
    qsizetype text = line.size() - (ended ? 1 : 0);
    if (ended && line.endsWith("\r\n"))
        --text;
    if (text <= limit && (ended || device.atEnd()))
        return true;
    while (!ended && !device.atEnd() && !device.readLine(limit + 4).endsWith('\n')) {
    }
    line.clear();
    return false;
}

bool isDotaHeaderLine(const QByteArray& line)
{
    return line.startsWith("imagesource:") || line.startsWith("gsd:");
}

bool parseDotaLine(const QByteArray& line, Prediction& prediction, QString& error)
{
    const QList<QByteArray> fields = fieldsOf(line);
    if (fields.size() != 1 + cornerValues && fields.size() != 2 + cornerValues) {
        error = QStringLiteral("%1 fields, not 9 or 10").arg(fields.size());
        return false;
    }
    prediction = Prediction();
    prediction.className = QString::fromUtf8(fields.at(cornerValues));
    if (!parseCorners(fields, 0, prediction)) {
        error = QStringLiteral("a corner is not a number");
        return false;
    }
    return true;
}

bool parseTask1Line(const QByteArray& line, QByteArray& image, Prediction& prediction,
                    QString& error)
{
    const QList<QByteArray> fields = fieldsOf(line);
    if (fields.size() != 2 + cornerValues) {
        error = QStringLiteral("%1 fields, not 10").arg(fields.size());
        return false;
    }
    prediction = Prediction();
    image = fields.at(0);
    if (!parseNumber(fields.at(1), prediction.score) || !parseCorners(fields, 2, prediction)) {
        error = QStringLiteral("the score or a corner is not a number");
        return false;
    }
    return true;
}

bool parseYoloNames(const QByteArray& yaml, QStringList& names, QString& error)
{
    names.clear();
    bool inNames = false;
    for (const QByteArray& line : yaml.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith('#'))
            continue;
        const bool indented = line.startsWith(' ') || line.startsWith('\t') || line.startsWith('-');
        if (inNames && indented) {
            if (!parseBlockItem(trimmed, names, error))
                return false;
            continue;
        }
        inNames = false;
        if (!line.startsWith("names:"))
            continue;
        const QByteArray rest = line.mid(6).trimmed();
        if (rest.startsWith('[') && !parseFlowList(rest, names)) {
            error = QStringLiteral("the list of names cannot be read");
            return false;
        }
        inNames = rest.isEmpty();
    }
    if (names.isEmpty()) {
        error = QStringLiteral("no class names");
        return false;
    }
    return true;
}
