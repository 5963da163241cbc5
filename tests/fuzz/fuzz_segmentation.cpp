// The segmentation reader on any bytes as an annotation's "segmentation": outlines of any
// number of points and parts, and run-length masks with their counts listed or compressed.
// Unlike the COCO reader, nothing here catches a fault of the fitting: any is a finding.
#include "cococorners.h"
#include "fuzzclasses.h"

#include <rapidjson/document.h>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzClasses classes;
    rapidjson::Document annotation;
    annotation.SetObject();
    rapidjson::Value segmentation;
    {
        rapidjson::Document parsed(&annotation.GetAllocator());
        parsed.Parse<rapidjson::kParseIterativeFlag>(reinterpret_cast<const char*>(data), size);
        if (parsed.HasParseError())
            return 0;
        segmentation.CopyFrom(parsed, annotation.GetAllocator());
    }
    annotation.AddMember("segmentation", segmentation, annotation.GetAllocator());
    Prediction prediction;
    prediction.className = QStringLiteral("Sofa");
    if (cornersOf(annotation, prediction) || !prediction.error.isEmpty())
        classes.build(prediction);
    return 0;
}
