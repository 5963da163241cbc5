#include "cocowriter.h"

#include "imageannotation.h"
#include "quadgeometry.h"

#include <QDir>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

const char fileName[] = "instances.json";
const char spoolTemplate[] = ".instances.json.annotations-XXXXXX";
const char description[] = "Exported by quadrotag-export";
const qint64 copyChunk = 1 << 20;

bool writeString(CocoWriter::JsonWriter& json, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return json.String(utf8.constData(), static_cast<rapidjson::SizeType>(utf8.size()));
}

bool writeKey(CocoWriter::JsonWriter& json, const char* key)
{
    return json.Key(key);
}

bool writeKey(CocoWriter::JsonWriter& json, const QString& key)
{
    const QByteArray utf8 = key.toUtf8();
    return json.Key(utf8.constData(), static_cast<rapidjson::SizeType>(utf8.size()));
}

bool writeBytes(QIODevice& device, const QByteArray& bytes)
{
    return device.write(bytes) == bytes.size();
}

bool copyDevice(QIODevice& from, QIODevice& to)
{
    if (!from.seek(0))
        return false;
    while (!from.atEnd()) {
        const QByteArray chunk = from.read(copyChunk);
        if (chunk.isEmpty() || !writeBytes(to, chunk))
            return false;
    }
    return true;
}

} // namespace

CocoWriter::CocoWriter(const QString& dir, const ClassTable& classTable)
    : outputDir(dir), classes(classTable), output(QDir(dir).filePath(QLatin1String(fileName))),
      spool(QDir(dir).filePath(QLatin1String(spoolTemplate))), json(buffer),
      styleNames(ImageAnnotation().styleNames)
{
}

bool CocoWriter::open(QString& error)
{
    if (!QDir().mkpath(outputDir)) {
        error = QStringLiteral("cannot create the folder %1").arg(outputDir);
        return false;
    }
    if (!output.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("cannot write %1: %2").arg(target(), output.errorString());
        return false;
    }
    if (!spool.open()) {
        error = QStringLiteral("cannot write in %1: %2").arg(outputDir, spool.errorString());
        return false;
    }
    return writeHead();
}

bool CocoWriter::addImage(const ExportImage& image)
{
    if (failed)
        return false;
    const int imageId = ++imageCount;
    bool written = writeImage(image, imageId) && flushValue(output, firstImage);
    for (const ExportShape& shape : image.shapes)
        written = written && writeAnnotation(shape, imageId) && flushValue(spool, firstAnnotation);
    failed = !written;
    return written;
}

bool CocoWriter::commit(QString& error)
{
    const bool joined = !failed && writeBytes(output, "\n],\"annotations\":[\n") &&
                        copyDevice(spool, output) && writeBytes(output, "\n]}\n");
    if (!joined || !output.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(target(), output.errorString());
        return false;
    }
    return true;
}

QString CocoWriter::target() const
{
    return QDir(outputDir).filePath(QLatin1String(fileName));
}

bool CocoWriter::writeHead()
{
    // Written by hand around values that the JSON writer makes one at a time: the images
    // and annotations never sit in memory together.
    buffer.Clear();
    json.Reset(buffer);
    bool ok = json.StartObject() && writeKey(json, "description") && json.String(description) &&
              json.EndObject();
    QByteArray head =
        "{\"info\":" + QByteArray(buffer.GetString()) + ",\"licenses\":[],\"categories\":[\n";
    for (int index = 0; ok && index < classes.count(); ++index) {
        buffer.Clear();
        json.Reset(buffer);
        ok = json.StartObject() && writeKey(json, "id") && json.Int(index + 1) &&
             writeKey(json, "name") && writeString(json, classes.name(index)) &&
             writeKey(json, "supercategory") && writeString(json, classes.supercategory()) &&
             json.EndObject();
        head += (index > 0 ? ",\n" : "") + QByteArray(buffer.GetString());
    }
    head += "\n],\"images\":[\n";
    failed = !ok || !writeBytes(output, head);
    return !failed;
}

bool CocoWriter::writeImage(const ExportImage& image, int imageId)
{
    buffer.Clear();
    json.Reset(buffer);
    const bool styleKnown = image.styleIndex >= 0 && image.styleIndex < styleNames.size();
    return json.StartObject() && writeKey(json, "id") && json.Int(imageId) &&
           writeKey(json, "file_name") && writeString(json, image.relativePath) &&
           writeKey(json, "width") && json.Int(image.size.width()) && writeKey(json, "height") &&
           json.Int(image.size.height()) && writeKey(json, "attributes") && json.StartObject() &&
           writeKey(json, "style") &&
           (styleKnown ? writeString(json, styleNames.at(image.styleIndex)) : json.Null()) &&
           writeKey(json, "style_index") && json.Int(image.styleIndex) && json.EndObject() &&
           json.EndObject();
}

bool CocoWriter::writeAnnotation(const ExportShape& shape, int imageId)
{
    buffer.Clear();
    json.Reset(buffer);
    bool ok = json.StartObject() && writeKey(json, "id") && json.Int(++annotationCount) &&
              writeKey(json, "image_id") && json.Int(imageId) && writeKey(json, "category_id") &&
              json.Int(shape.classIndex + 1) && writeKey(json, "segmentation") &&
              json.StartArray() && json.StartArray();
    for (const QPoint& corner : shape.corners)
        ok = ok && json.Int(corner.x()) && json.Int(corner.y());
    const QRect bounds = cornerBounds(shape.corners);
    return ok && json.EndArray() && json.EndArray() && writeKey(json, "area") &&
           json.Double(quadArea(shape.corners)) && writeKey(json, "bbox") && json.StartArray() &&
           json.Int(bounds.x()) && json.Int(bounds.y()) && json.Int(bounds.width()) &&
           json.Int(bounds.height()) && json.EndArray() && writeKey(json, "iscrowd") &&
           json.Int(0) && writeKey(json, "attributes") && writeAttributes(shape) &&
           json.EndObject();
}

bool CocoWriter::writeAttributes(const ExportShape& shape)
{
    // Tags grouped by their category, in row-major order of the first tag of each group.
    std::vector<std::pair<QString, QStringList>> groups;
    const TagLayout& layout = classes.tagLayout();
    for (const auto& [row, column] : shape.otherTags) {
        const QString group = classes.groupOf(row, column);
        auto found = std::find_if(groups.begin(), groups.end(),
                                  [&group](const auto& entry) { return entry.first == group; });
        if (found == groups.end())
            found = groups.insert(groups.end(), {group, {}});
        found->second << TagLayout::tagStem(layout.textAt(row, column));
    }
    bool ok = json.StartObject();
    for (const auto& [group, stems] : groups) {
        ok = ok && writeKey(json, group) && json.StartArray();
        for (const QString& stem : stems)
            ok = ok && writeString(json, stem);
        ok = ok && json.EndArray();
    }
    return ok && json.EndObject();
}

bool CocoWriter::flushValue(QIODevice& device, bool& first)
{
    const char* separator = first ? "" : ",\n";
    first = false;
    return writeBytes(device, separator) &&
           device.write(buffer.GetString(), static_cast<qint64>(buffer.GetSize())) ==
               static_cast<qint64>(buffer.GetSize());
}
