// The YOLO-OBB readers on any bytes: the input is read as a data.yaml, then each of its
// lines as a line of a labels file.
#include "fuzzclasses.h"
#include "textpredictions.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzClasses classes;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringList names;
    QString error;
    if (!parseYoloNames(bytes, names, error))
        names = classes.names();
    for (const QByteArray& line : bytes.split('\n')) {
        Prediction prediction;
        if (parseYoloObbLine(line.trimmed(), names, prediction, error))
            classes.build(prediction);
    }
    return 0;
}
