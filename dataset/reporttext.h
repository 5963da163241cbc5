#ifndef QUADROTAG_REPORTTEXT_H
#define QUADROTAG_REPORTTEXT_H

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <QString>
#include <QStringList>

// What the tools' reports share: fields of their one-line JSON and columns of their tables.
using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

void writeString(JsonWriter& json, const QString& text);
void writeCount(JsonWriter& json, const char* key, long long value);

// The width of a name column: the longest name, and never less than the heading.
int nameWidth(const QStringList& names, const QString& heading);

#endif
