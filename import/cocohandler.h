#ifndef QUADROTAG_COCOHANDLER_H
#define QUADROTAG_COCOHANDLER_H

#include "cocopredictionreader.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdint>
#include <string>

// Follows the outline of a COCO file as RapidJSON's Reader reports it and copies every element
// of the top-level arrays "images", "annotations" and "categories" (or of a top-level results
// list) into a buffer, which it hands whole to the reader.
class CocoHandler
{
public:
    explicit CocoHandler(CocoPredictionReader& coco) : reader(coco), writer(buffer) {}

    // The events of RapidJSON's Reader, named as it calls them.
    bool Null();
    bool Bool(bool b);
    bool Int(int i);
    bool Uint(unsigned u);
    bool Int64(std::int64_t i);
    bool Uint64(std::uint64_t u);
    bool Double(double d);
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }
    bool String(const char* s, rapidjson::SizeType length, bool);
    bool Key(const char* s, rapidjson::SizeType length, bool);
    bool StartObject() { return start(true); }
    bool StartArray() { return start(false); }
    bool EndObject(rapidjson::SizeType);
    bool EndArray(rapidjson::SizeType);

    // The parse stopped at an element larger than any element of ours.
    bool tooLarge = false;

private:
    using Section = CocoPredictionReader::Section;

    bool capturing() const { return captureDepth > 0; }
    bool fits();
    template <typename Write> bool scalar(Write write);
    bool start(bool isObject);
    template <typename Write> bool end(Write write);
    static Section sectionNamed(const std::string& key);

    CocoPredictionReader& reader;
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer;
    std::string pendingKey;
    Section section = Section::None;
    int depth = 0;
    int sectionDepth = 0;
    int captureDepth = 0;
};

#endif
