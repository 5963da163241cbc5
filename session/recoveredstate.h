#ifndef QUADROTAG_RECOVEREDSTATE_H
#define QUADROTAG_RECOVEREDSTATE_H

#include "imageannotation.h"
#include "recoverywriter.h"

#include <QDateTime>

#include <optional>

// What an earlier run kept in a recovery file, and who kept it there.
struct RecoveredState
{
    ImageAnnotation annotation;
    // Nothing when the file names no writer: an older program kept it, or it was written
    // over since its writer was named.
    std::optional<RecoveryWriter> writer;
    // When the file was last written.
    QDateTime written;
};

#endif
