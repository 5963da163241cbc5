#include "recoveryfile.h"

#include "labelfile.h"
#include "labelfilesnapshot.h"
#include "labelpath.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

namespace {
// Far beyond the line of any recordable writer; a larger companion is not read, and names
// nobody.
const qint64 largestWriterLine = 4096;
} // namespace

RecoveryFile::RecoveryFile(const QString& labelPath, RecoveryWriter writer)
    : filePath(recoveryPathFor(labelPath)), olderPath(olderRecoveryPathFor(labelPath)),
      self(std::move(writer))
{
}

QString RecoveryFile::writerPath() const
{
    return filePath.isEmpty() ? QString() : filePath + QStringLiteral(".writer");
}

bool RecoveryFile::write(const std::string& bytes)
{
    if (filePath.isEmpty())
        return false;
    if (owned && bytes == written && QFile::exists(filePath))
        return true;
    // Also over a file this run wrote: the next holder may have taken it up since.
    if (holdsAnotherOperatorsWork()) {
        owned = false;
        return false;
    }
    // The writer is named first: one stopped before its bytes land (a crash, a share that
    // stalls while its claim is taken over) leaves its name over them, never bytes that name
    // nobody and would be offered to the next holder as their own.
    const bool named = nameWriter(bytes);
    if (!writeOwnFileBytes(bytes, QFile::encodeName(filePath).toStdString()))
        return false;
    owned = true;
    written = bytes;
    return named;
}

void RecoveryFile::remove()
{
    if (!owned)
        return;
    owned = false;
    // Someone else's unsaved state written over ours since is theirs to remove.
    if (LabelFileSnapshot::of(filePath) == LabelFileSnapshot::written(written))
        removeFiles();
}

void RecoveryFile::discard()
{
    owned = false;
    // The file declined is the one read() offered.
    if (keptPath() != filePath)
        QFile::remove(olderPath);
    else if (!filePath.isEmpty())
        removeFiles();
}

void RecoveryFile::adopt()
{
    // Taken up under the name this run writes, so that it is not offered again.
    if (keptPath() != filePath)
        QFile::rename(olderPath, filePath);
    const LabelFileSnapshot kept = LabelFileSnapshot::of(filePath);
    owned = kept.exists && kept.readable;
    written = kept.bytes;
    if (owned)
        nameWriter(written);
}

std::optional<RecoveredState> RecoveryFile::read() const
{
    const QString path = keptPath();
    // A link at the name is not this program's work: it would offer another file's shapes.
    if (QFileInfo(path).isSymLink())
        return std::nullopt;
    const LabelFileSnapshot kept = LabelFileSnapshot::of(path);
    if (!kept.exists || !kept.readable)
        return std::nullopt;
    // A cut file is offered as far as it goes: what it holds was the operator's work.
    RecoveredState state;
    bool readToEnd = false;
    readLabelBytes(state.annotation, kept.bytes, readToEnd);
    // An earlier version's file of such a name could never be given its companion.
    if (path == filePath)
        state.writer = namedWriter();
    state.written = QFileInfo(path).lastModified();
    return state;
}

// This run's name while it holds a file, else an earlier version's if that holds one.
QString RecoveryFile::keptPath() const
{
    if (olderPath.isEmpty() || QFileInfo::exists(filePath) || !QFileInfo::exists(olderPath))
        return filePath;
    return olderPath;
}

// Another operator's unsaved work, declined here, stays theirs to take up: this run goes
// without a recovery file for the image rather than destroy it.
bool RecoveryFile::holdsAnotherOperatorsWork() const
{
    const LabelFileSnapshot kept = LabelFileSnapshot::of(filePath);
    if (!kept.exists)
        return false;
    const std::optional<RecoveryWriter> writer = namedWriter();
    return writer && writer->operatorName != self.operatorName;
}

bool RecoveryFile::nameWriter(const std::string& bytes) const
{
    // An earlier writer's line must not name them for what this run wrote.
    if (!self.isRecordable())
        return !QFile::exists(writerPath()) || QFile::remove(writerPath());
    // Its temporary file has a short name: the companion's own may take all 255 bytes.
    return writeOwnFileBytes(writerLine(self, bytes).toStdString(),
                             QFile::encodeName(writerPath()).toStdString());
}

std::optional<RecoveryWriter> RecoveryFile::namedWriter() const
{
    // Anything but a plain file (a pipe would block the reader) names nobody.
    QFile file(writerPath());
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = file.read(largestWriterLine + 1);
    if (line.size() > largestWriterLine)
        return std::nullopt;
    // A line for other bytes still names its writer, stopped between the line and the bytes:
    // what the file holds may be theirs, and is not given to anyone else as their own.
    return writerOfLine(line);
}

// The bytes go first: a crash in between leaves a line that names nobody, never bytes that
// name nobody and would be offered to anyone as their own.
void RecoveryFile::removeFiles() const
{
    QFile::remove(filePath);
    QFile::remove(writerPath());
    // An earlier version's file for this image is older than the work just saved or declined.
    if (!olderPath.isEmpty())
        QFile::remove(olderPath);
}
