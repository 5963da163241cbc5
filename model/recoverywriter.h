#ifndef QUADROTAG_RECOVERYWRITER_H
#define QUADROTAG_RECOVERYWRITER_H

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

// Who wrote a recovery file: the operator, and the computer and process of the program. The
// window fills it in from its claim; the session only records it and reads it back.
struct RecoveryWriter
{
    // Longer names are not recorded, so that whoever reads the line reads a small one.
    static constexpr qsizetype longestName = 255;

    QString operatorName;
    QString host;
    qint64 pid = 0;

    // Whether the line can name this writer: names neither empty nor too long, without a tab,
    // a line break or another control character, and a process id.
    bool isRecordable() const;
    bool operator==(const RecoveryWriter& other) const;
};

// The writer's line, "operator\thost\tpid\tsha256\n": the SHA-256 of the bytes written ties
// the line to them, so that a file written over since is not taken for the writer's.
QByteArray writerLine(const RecoveryWriter& writer, const std::string& bytes);
// The writer a line names for these bytes; nothing when the line is damaged or hostile, or
// was written for other bytes.
std::optional<RecoveryWriter> writerOfBytes(const QByteArray& line, const std::string& bytes);
// The writer a line names, for whatever bytes; nothing when the line is damaged or hostile.
std::optional<RecoveryWriter> writerOfLine(const QByteArray& line);

#endif
