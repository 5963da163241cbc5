#include "namebytes.h"

#include <QFile>

#include <algorithm>

namespace {
const unsigned char firstPrintable = 0x20;
const unsigned char lastPrintable = 0x7e;
} // namespace

bool isDecodableName(std::string_view name)
{
    const bool plain = std::all_of(name.begin(), name.end(), [](char byte) {
        return static_cast<unsigned char>(byte) < 0x80;
    });
    if (plain)
        return true;
    const QByteArray bytes(name.data(), qsizetype(name.size()));
    return QFile::encodeName(QFile::decodeName(bytes)) == bytes;
}

bool isDecodableName(const QByteArray& name)
{
    return isDecodableName(std::string_view(name.constData(), std::size_t(name.size())));
}

QString escapedName(std::string_view name)
{
    QString text;
    for (const char byte : name) {
        const auto value = static_cast<unsigned char>(byte);
        if (value >= firstPrintable && value <= lastPrintable && byte != '\\')
            text += QLatin1Char(byte);
        else
            text += QStringLiteral("\\x%1").arg(value, 2, 16, QLatin1Char('0'));
    }
    return text;
}
