#include "htmltext.h"

#include <cmath>

QString htmlText(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size() + text.size() / 8);
    for (const QChar character : text) {
        switch (character.unicode()) {
        case '&':
            escaped += QLatin1String("&amp;");
            break;
        case '<':
            escaped += QLatin1String("&lt;");
            break;
        case '>':
            escaped += QLatin1String("&gt;");
            break;
        case '"':
            escaped += QLatin1String("&quot;");
            break;
        case '\'':
            escaped += QLatin1String("&#39;");
            break;
        default:
            if (character.unicode() < 0x20 || character.unicode() == 0x7f)
                escaped +=
                    QStringLiteral("\\x%1").arg(character.unicode(), 2, 16, QLatin1Char('0'));
            else
                escaped += character;
        }
    }
    return escaped;
}

QString shortHtmlText(const QString& text, int maxLength)
{
    if (text.size() <= maxLength)
        return htmlText(text);
    qsizetype kept = maxLength - 1;
    // Never half of a character outside the basic plane.
    if (kept > 0 && text.at(kept - 1).isHighSurrogate())
        --kept;
    return htmlText(text.left(kept)) + QStringLiteral("…");
}

QString countText(long long value)
{
    QString digits = QString::number(value);
    const int signLength = value < 0 ? 1 : 0;
    for (qsizetype at = digits.size() - 3; at > signLength; at -= 3)
        digits.insert(at, QChar(0x2009));
    return digits;
}

QString tenthsText(double value)
{
    return QString::number(std::round(value * 10.0) / 10.0, 'f', 1);
}
