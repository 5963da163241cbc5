#include "recoveryfile.h"

#include "labelfile.h"
#include "labelfilesnapshot.h"
#include "labelpath.h"

#include <QFile>

RecoveryFile::RecoveryFile(const QString& labelPath) : filePath(recoveryPathFor(labelPath)) {}

bool RecoveryFile::write(const std::string& bytes)
{
    if (filePath.isEmpty())
        return false;
    if (owned && bytes == written && QFile::exists(filePath))
        return true;
    if (!writeLabelBytes(bytes, QFile::encodeName(filePath).toStdString()))
        return false;
    owned = true;
    written = bytes;
    return true;
}

void RecoveryFile::remove()
{
    if (!owned)
        return;
    owned = false;
    // Someone else's unsaved state written over ours since is theirs to remove.
    if (LabelFileSnapshot::of(filePath) == LabelFileSnapshot::written(written))
        QFile::remove(filePath);
}

void RecoveryFile::discard()
{
    owned = false;
    if (!filePath.isEmpty())
        QFile::remove(filePath);
}

void RecoveryFile::adopt()
{
    const LabelFileSnapshot kept = LabelFileSnapshot::of(filePath);
    owned = kept.exists && kept.readable;
    written = kept.bytes;
}

std::optional<ImageAnnotation> RecoveryFile::read() const
{
    const LabelFileSnapshot kept = LabelFileSnapshot::of(filePath);
    if (!kept.exists || !kept.readable)
        return std::nullopt;
    // A cut file is offered as far as it goes: what it holds was the operator's work.
    ImageAnnotation annotation;
    bool readToEnd = false;
    readLabelBytes(annotation, kept.bytes, readToEnd);
    return annotation;
}
