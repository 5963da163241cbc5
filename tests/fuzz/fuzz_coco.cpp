// The COCO reader on any bytes: instances, results lists and whatever else arrives.
#include "cocopredictionreader.h"
#include "fuzzclasses.h"

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzClasses classes;
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    CocoPredictionReader reader(QStringLiteral("fuzz.json"), classes.names(),
                                classes.consoleReport());
    QString error;
    const bool read = reader.read(file, error);
    std::fclose(file);
    if (!read)
        return 0;
    for (const CocoImage& image : reader.images())
        for (const Prediction& prediction : reader.take(image.id))
            classes.build(prediction);
    // A results list names images by the exporter's ids.
    for (qint64 id = 1; id <= 3; ++id)
        for (const Prediction& prediction : reader.take(id))
            classes.build(prediction);
    reader.reportUnclaimed(QStringLiteral("fuzz"));
    return 0;
}
