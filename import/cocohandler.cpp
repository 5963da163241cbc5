#include "cocohandler.h"

#include "stopsignals.h"

namespace {
// One element (an image, category or annotation) larger than this is no element of ours.
const std::size_t maxElementBytes = 1 << 20;
} // namespace

bool CocoHandler::Null()
{
    return scalar([this] { return writer.Null(); });
}

bool CocoHandler::Bool(bool b)
{
    return scalar([&] { return writer.Bool(b); });
}

bool CocoHandler::Int(int i)
{
    return scalar([&] { return writer.Int(i); });
}

bool CocoHandler::Uint(unsigned u)
{
    return scalar([&] { return writer.Uint(u); });
}

bool CocoHandler::Int64(std::int64_t i)
{
    return scalar([&] { return writer.Int64(i); });
}

bool CocoHandler::Uint64(std::uint64_t u)
{
    return scalar([&] { return writer.Uint64(u); });
}

bool CocoHandler::Double(double d)
{
    return scalar([&] { return writer.Double(d); });
}

bool CocoHandler::String(const char* s, rapidjson::SizeType length, bool)
{
    return scalar([&] { return writer.String(s, length); });
}

bool CocoHandler::Key(const char* s, rapidjson::SizeType length, bool)
{
    if (capturing())
        return writer.Key(s, length) && fits();
    if (depth == 1)
        pendingKey.assign(s, length);
    return true;
}

bool CocoHandler::EndObject(rapidjson::SizeType)
{
    return end([this] { return writer.EndObject(); });
}

bool CocoHandler::EndArray(rapidjson::SizeType)
{
    return end([this] { return writer.EndArray(); });
}

bool CocoHandler::fits()
{
    tooLarge = buffer.GetSize() > maxElementBytes;
    return !tooLarge;
}

template <typename Write> bool CocoHandler::scalar(Write write)
{
    if (capturing())
        return write() && fits();
    if (section != Section::None && depth == sectionDepth)
        reader.addElement(section, nullptr, 0);
    return true;
}

bool CocoHandler::start(bool isObject)
{
    if (capturing()) {
        ++depth;
        return (isObject ? writer.StartObject() : writer.StartArray()) && fits();
    }
    if (depth == 0 && !isObject) {
        reader.setResultsList();
        section = Section::Annotations;
        sectionDepth = 1;
    } else if (depth == 1 && !isObject && section == Section::None) {
        section = sectionNamed(pendingKey);
        sectionDepth = 2;
    } else if (section != Section::None && depth == sectionDepth) {
        if (!isObject) {
            reader.addElement(section, nullptr, 0);
        } else {
            buffer.Clear();
            writer.Reset(buffer);
            captureDepth = depth + 1;
            ++depth;
            return writer.StartObject();
        }
    }
    ++depth;
    return true;
}

template <typename Write> bool CocoHandler::end(Write write)
{
    --depth;
    if (capturing()) {
        if (!write() || !fits())
            return false;
        if (depth < captureDepth) {
            captureDepth = 0;
            reader.addElement(section, buffer.GetString(), buffer.GetSize());
            return StopSignals::received() == 0;
        }
        return true;
    }
    if (depth < sectionDepth)
        section = Section::None;
    return true;
}

CocoHandler::Section CocoHandler::sectionNamed(const std::string& key)
{
    if (key == "images")
        return Section::Images;
    if (key == "annotations")
        return Section::Annotations;
    if (key == "categories")
        return Section::Categories;
    return Section::None;
}
