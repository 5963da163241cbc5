#ifndef QUADROTAG_NAMEBYTES_H
#define QUADROTAG_NAMEBYTES_H

#include <QByteArray>
#include <QString>

#include <string_view>

// Whether a file name, as the file system spells it, comes back byte for byte from its text:
// one that does not would name another file, or none, when it is opened by its text.
bool isDecodableName(std::string_view name);
bool isDecodableName(const QByteArray& name);
// The name with every byte outside printable ASCII written as \xHH, for a message.
QString escapedName(std::string_view name);

#endif
