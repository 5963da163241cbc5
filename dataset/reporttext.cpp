#include "reporttext.h"

#include <algorithm>

void writeString(JsonWriter& json, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    json.String(utf8.constData(), static_cast<rapidjson::SizeType>(utf8.size()));
}

void writeCount(JsonWriter& json, const char* key, long long value)
{
    json.Key(key);
    json.Int64(value);
}

int nameWidth(const QStringList& names, const QString& heading)
{
    qsizetype width = heading.size();
    for (const QString& name : names)
        width = std::max(width, name.size());
    return static_cast<int>(width);
}
