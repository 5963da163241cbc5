// The DOTA readers on any bytes: each line as a labelTxt line and as a task 1 result line.
#include "fuzzclasses.h"
#include "textpredictions.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzClasses classes;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& rawLine : bytes.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        Prediction prediction;
        QString error;
        if (!isDotaHeaderLine(line) && parseDotaLine(line, prediction, error))
            classes.build(prediction);
        QByteArray image;
        if (parseTask1Line(line, image, prediction, error))
            classes.build(prediction);
    }
    return 0;
}
