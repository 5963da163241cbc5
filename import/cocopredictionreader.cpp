#include "cocopredictionreader.h"

#include "cocosegmentation.h"

#include "imageannotation.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/filereadstream.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cmath>
#include <optional>

namespace {

// One element (an image, category or annotation) larger than this is no element of ours.
const std::size_t maxElementBytes = 1 << 20;
const std::size_t readBufferBytes = 1 << 16;
const int cornerValues = 8;
const int boxValues = 4;
// A fitted quadrilateral must cover this share of the segmentation to stand for it.
const double leastFitCoverage = 0.8;
// Iterative, so that deep nesting cannot exhaust the stack; strings must be UTF-8.
const unsigned parseFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;

using Section = CocoPredictionReader::Section;

// Follows the outline of the file and copies every element of the top-level arrays
// "images", "annotations" and "categories" (or of a top-level results list) into a buffer.
class CocoHandler
{
public:
    explicit CocoHandler(CocoPredictionReader& coco) : reader(coco), writer(buffer) {}

    bool Null()
    {
        return scalar([this] { return writer.Null(); });
    }
    bool Bool(bool b)
    {
        return scalar([&] { return writer.Bool(b); });
    }
    bool Int(int i)
    {
        return scalar([&] { return writer.Int(i); });
    }
    bool Uint(unsigned u)
    {
        return scalar([&] { return writer.Uint(u); });
    }
    bool Int64(int64_t i)
    {
        return scalar([&] { return writer.Int64(i); });
    }
    bool Uint64(uint64_t u)
    {
        return scalar([&] { return writer.Uint64(u); });
    }
    bool Double(double d)
    {
        return scalar([&] { return writer.Double(d); });
    }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }
    bool String(const char* s, rapidjson::SizeType length, bool)
    {
        return scalar([&] { return writer.String(s, length); });
    }
    bool Key(const char* s, rapidjson::SizeType length, bool)
    {
        if (capturing())
            return writer.Key(s, length) && fits();
        if (depth == 1)
            pendingKey.assign(s, length);
        return true;
    }
    bool StartObject() { return start(true); }
    bool StartArray() { return start(false); }
    bool EndObject(rapidjson::SizeType)
    {
        return end([this] { return writer.EndObject(); });
    }
    bool EndArray(rapidjson::SizeType)
    {
        return end([this] { return writer.EndArray(); });
    }

    bool tooLarge = false;

private:
    bool capturing() const { return captureDepth > 0; }
    bool fits()
    {
        tooLarge = buffer.GetSize() > maxElementBytes;
        return !tooLarge;
    }

    template <typename Write> bool scalar(Write write)
    {
        if (capturing())
            return write() && fits();
        if (section != Section::None && depth == sectionDepth)
            reader.addElement(section, nullptr, 0);
        return true;
    }

    bool start(bool isObject)
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

    template <typename Write> bool end(Write write)
    {
        --depth;
        if (capturing()) {
            if (!write() || !fits())
                return false;
            if (depth < captureDepth) {
                captureDepth = 0;
                reader.addElement(section, buffer.GetString(), buffer.GetSize());
            }
            return true;
        }
        if (depth < sectionDepth)
            section = Section::None;
        return true;
    }

    static Section sectionNamed(const std::string& key)
    {
        if (key == "images")
            return Section::Images;
        if (key == "annotations")
            return Section::Annotations;
        if (key == "categories")
            return Section::Categories;
        return Section::None;
    }

    CocoPredictionReader& reader;
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer;
    std::string pendingKey;
    Section section = Section::None;
    int depth = 0;
    int sectionDepth = 0;
    int captureDepth = 0;
};

bool parseElement(rapidjson::Document& document, const char* json, std::size_t size)
{
    document.Parse<parseFlags>(json, size);
    return !document.HasParseError() && document.IsObject();
}

bool memberInt64(const rapidjson::Value& object, const char* name, qint64& value)
{
    const auto found = object.FindMember(name);
    if (found == object.MemberEnd() || !found->value.IsInt64())
        return false;
    value = found->value.GetInt64();
    return true;
}

QString memberString(const rapidjson::Value& object, const char* name)
{
    const auto found = object.FindMember(name);
    if (found == object.MemberEnd() || !found->value.IsString())
        return QString();
    return QString::fromUtf8(found->value.GetString(),
                             static_cast<qsizetype>(found->value.GetStringLength()));
}

// count finite numbers from the array into values; false when it holds anything else.
bool numbersOf(const rapidjson::Value& array, int count, std::vector<double>& values)
{
    if (!array.IsArray() || array.Size() != static_cast<rapidjson::SizeType>(count))
        return false;
    values.clear();
    for (const rapidjson::Value& number : array.GetArray()) {
        if (!number.IsNumber() || !std::isfinite(number.GetDouble()))
            return false;
        values.push_back(number.GetDouble());
    }
    return true;
}

enum class Segmentation { Absent, Fitted, Refused };

// The parts of a polygon segmentation with more than four points in all; none for any other.
std::optional<std::vector<std::vector<cv::Point2f>>>
manyPointPolygons(const rapidjson::Value& value)
{
    if (!value.IsArray() || value.Empty())
        return std::nullopt;
    std::vector<std::vector<cv::Point2f>> polygons;
    std::size_t points = 0;
    for (const rapidjson::Value& part : value.GetArray()) {
        if (!part.IsArray() || part.Size() < 6 || part.Size() % 2 != 0)
            return std::nullopt;
        std::vector<double> numbers;
        if (!numbersOf(part, static_cast<int>(part.Size()), numbers))
            return std::nullopt;
        std::vector<cv::Point2f> polygon;
        for (std::size_t i = 0; i < numbers.size(); i += 2)
            polygon.emplace_back(float(numbers[i]), float(numbers[i + 1]));
        points += polygon.size();
        polygons.push_back(std::move(polygon));
    }
    if (points <= 4)
        return std::nullopt;
    return polygons;
}

// A run-length mask as COCO writes it: size [height, width] and counts, a list of runs or
// their compressed string.
bool rleOf(const rapidjson::Value& value, CocoRle& rle)
{
    const auto size = value.FindMember("size");
    const auto counts = value.FindMember("counts");
    if (size == value.MemberEnd() || counts == value.MemberEnd() || !size->value.IsArray() ||
        size->value.Size() != 2 || !size->value[0].IsInt() || !size->value[1].IsInt())
        return false;
    rle.height = size->value[0].GetInt();
    rle.width = size->value[1].GetInt();
    rle.counts.clear();
    if (counts->value.IsString())
        return decodeCocoCounts(
            QByteArray(counts->value.GetString(), qsizetype(counts->value.GetStringLength())),
            rle.counts);
    if (!counts->value.IsArray())
        return false;
    for (const rapidjson::Value& count : counts->value.GetArray()) {
        if (!count.IsUint64())
            return false;
        rle.counts.push_back(count.GetUint64());
    }
    return true;
}

// A segmentation of many points or a mask becomes the quadrilateral that fits it best; one that
// covers too little of it is refused with the reason.
Segmentation fittedSegmentation(const rapidjson::Value& value, Prediction& prediction)
{
    std::optional<SegmentationFit> fit;
    if (value.IsObject()) {
        CocoRle rle;
        if (!rleOf(value, rle)) {
            prediction.error = QStringLiteral("a segmentation mask that is not COCO RLE");
            return Segmentation::Refused;
        }
        const std::optional<cv::Mat> mask = cocoMask(rle, prediction.error);
        if (!mask)
            return Segmentation::Refused;
        fit = fitMask(*mask);
    } else if (const auto polygons = manyPointPolygons(value)) {
        fit = fitPolygons(*polygons);
    } else {
        return Segmentation::Absent;
    }
    if (!fit) {
        prediction.error = QStringLiteral("a segmentation without area");
        return Segmentation::Refused;
    }
    if (fit->coverage < leastFitCoverage) {
        prediction.error =
            QStringLiteral("the best quadrilateral covers %1 % of the segmentation, less than 80 %")
                .arg(int(std::floor(fit->coverage * 100)));
        return Segmentation::Refused;
    }
    prediction.corners = {fit->corners[0], fit->corners[1], fit->corners[2], fit->corners[3]};
    return Segmentation::Fitted;
}

// The polygon of the segmentation when it has four corners, the quadrilateral fitted to a
// larger polygon or a mask, else the box.
bool cornersOf(const rapidjson::Value& annotation, Prediction& prediction)
{
    std::vector<double> values;
    const auto segmentation = annotation.FindMember("segmentation");
    if (segmentation != annotation.MemberEnd() && segmentation->value.IsArray() &&
        segmentation->value.Size() == 1 &&
        numbersOf(segmentation->value[0], cornerValues, values)) {
        for (std::size_t i = 0; i < prediction.corners.size(); ++i)
            prediction.corners[i] = QPointF(values[2 * i], values[2 * i + 1]);
        return true;
    }
    if (segmentation != annotation.MemberEnd()) {
        const Segmentation fitted = fittedSegmentation(segmentation->value, prediction);
        if (fitted != Segmentation::Absent)
            return fitted == Segmentation::Fitted;
    }
    const auto box = annotation.FindMember("bbox");
    if (box == annotation.MemberEnd() || !numbersOf(box->value, boxValues, values))
        return false;
    const double left = values[0];
    const double top = values[1];
    const double right = left + values[2];
    const double bottom = top + values[3];
    prediction.corners = {QPointF(left, top), QPointF(right, top), QPointF(right, bottom),
                          QPointF(left, bottom)};
    return true;
}

void attributesOf(const rapidjson::Value& annotation, Prediction& prediction)
{
    const auto attributes = annotation.FindMember("attributes");
    if (attributes == annotation.MemberEnd() || !attributes->value.IsObject())
        return;
    for (const auto& group : attributes->value.GetObject()) {
        if (!group.value.IsArray())
            continue;
        const QString groupName = QString::fromUtf8(
            group.name.GetString(), static_cast<qsizetype>(group.name.GetStringLength()));
        for (const rapidjson::Value& stem : group.value.GetArray()) {
            if (stem.IsString())
                prediction.attributes.emplace_back(
                    groupName, QString::fromUtf8(stem.GetString(),
                                                 static_cast<qsizetype>(stem.GetStringLength())));
        }
    }
}

int styleOf(const rapidjson::Value& image, const QStringList& styleNames)
{
    const auto attributes = image.FindMember("attributes");
    if (attributes == image.MemberEnd() || !attributes->value.IsObject())
        return 0;
    qint64 index = -1;
    if (memberInt64(attributes->value, "style_index", index) && index >= 0 &&
        index < styleNames.size())
        return static_cast<int>(index);
    return static_cast<int>(
        std::max<qsizetype>(0, styleNames.indexOf(memberString(attributes->value, "style"))));
}

const char* sectionItem(Section section)
{
    switch (section) {
    case Section::Images:
        return "image";
    case Section::Categories:
        return "category";
    case Section::Annotations:
    case Section::None:
        break;
    }
    return "annotation";
}

} // namespace

CocoPredictionReader::CocoPredictionReader(const QString& filePath, const QStringList& names,
                                           ConsoleReport& consoleReport)
    : path(filePath), classNames(names), report(consoleReport),
      styleNames(ImageAnnotation().styleNames)
{
}

bool CocoPredictionReader::read(std::FILE* file, QString& error)
{
    if (!spool.isValid()) {
        error = QStringLiteral("cannot make a scratch folder");
        return false;
    }
    std::vector<char> buffer(readBufferBytes);
    rapidjson::FileReadStream stream(file, buffer.data(), buffer.size());
    CocoHandler handler(*this);
    rapidjson::Reader reader;
    const rapidjson::ParseResult result = reader.Parse<parseFlags>(stream, handler);
    if (handler.tooLarge) {
        error = QStringLiteral("an element near byte %1 is larger than 1 MB").arg(result.Offset());
        return false;
    }
    if (result.IsError()) {
        error = QStringLiteral("not JSON at byte %1: %2")
                    .arg(result.Offset())
                    .arg(QString::fromUtf8(rapidjson::GetParseError_En(result.Code())));
        return false;
    }
    return true;
}

void CocoPredictionReader::takeNamesFrom(const CocoPredictionReader& instances)
{
    imageTable = instances.imageTable;
    if (categories.isEmpty())
        categories = instances.categories;
}

void CocoPredictionReader::addElement(Section section, const char* json, std::size_t size)
{
    if (section == Section::Annotations && annotationsSkipped)
        return;
    if (section == Section::Annotations)
        ++annotationCount;
    if (!json) {
        report.problem(path,
                       QStringLiteral("an %1 that is not an object").arg(sectionItem(section)));
        return;
    }
    switch (section) {
    case Section::Images:
        addImage(json, size);
        break;
    case Section::Categories:
        addCategory(json, size);
        break;
    case Section::Annotations:
        addAnnotation(json, size);
        break;
    case Section::None:
        break;
    }
}

void CocoPredictionReader::addImage(const char* json, std::size_t size)
{
    rapidjson::Document document;
    CocoImage image;
    if (!parseElement(document, json, size) || !memberInt64(document, "id", image.id) ||
        (image.fileName = memberString(document, "file_name")).isEmpty()) {
        report.problem(path, QStringLiteral("image %1 has no id or file_name")
                                 .arg(static_cast<qulonglong>(imageTable.size() + 1)));
        return;
    }
    image.styleIndex = styleOf(document, styleNames);
    imageTable.push_back(image);
}

void CocoPredictionReader::addCategory(const char* json, std::size_t size)
{
    rapidjson::Document document;
    qint64 id = 0;
    const QString name = parseElement(document, json, size) && memberInt64(document, "id", id)
                             ? memberString(document, "name")
                             : QString();
    if (name.isEmpty())
        report.problem(path, QStringLiteral("a category without id or name"));
    else
        categories.insert(id, name);
}

void CocoPredictionReader::addAnnotation(const char* json, std::size_t size)
{
    rapidjson::Document document;
    qint64 imageId = 0;
    if (!parseElement(document, json, size) || !memberInt64(document, "image_id", imageId)) {
        report.problem(path, QStringLiteral("annotation %1: no image_id").arg(annotationCount));
        return;
    }
    const QByteArray record =
        QByteArray::number(annotationCount) + ' ' + QByteArray(json, static_cast<qsizetype>(size));
    if (!spool.append(QByteArray::number(imageId), record))
        report.problem(path, QStringLiteral("annotation %1: cannot be kept in the scratch folder")
                                 .arg(annotationCount));
}

std::vector<Prediction> CocoPredictionReader::take(qint64 imageId)
{
    std::vector<Prediction> predictions;
    for (const QByteArray& record : spool.take(QByteArray::number(imageId))) {
        Prediction prediction;
        if (!toPrediction(record, prediction) && prediction.error.isEmpty())
            continue;
        predictions.push_back(std::move(prediction));
    }
    return predictions;
}

void CocoPredictionReader::reportUnclaimed(const QString& reason)
{
    for (const QByteArray& key : spool.remainingKeys()) {
        const qsizetype count = spool.take(key).size();
        report.problem(path, QStringLiteral("%1 annotations of image id %2 left out: %3")
                                 .arg(count)
                                 .arg(QString::fromLatin1(key), reason));
    }
}

bool CocoPredictionReader::toPrediction(const QByteArray& record, Prediction& prediction)
{
    const qsizetype space = record.indexOf(' ');
    prediction.source = path;
    prediction.item = QStringLiteral("annotation %1").arg(QString::fromLatin1(record.left(space)));
    rapidjson::Document document;
    if (!parseElement(document, record.constData() + space + 1,
                      static_cast<std::size_t>(record.size() - space - 1)))
        return false;
    qint64 categoryId = 0;
    if (!memberInt64(document, "category_id", categoryId) ||
        (prediction.className = categoryName(categoryId)).isEmpty()) {
        prediction.error = QStringLiteral("unknown category id");
        return false;
    }
    if (!cornersOf(document, prediction)) {
        if (prediction.error.isEmpty())
            prediction.error = QStringLiteral("no segmentation of four corners and no bbox");
        return false;
    }
    const auto score = document.FindMember("score");
    if (score != document.MemberEnd() && score->value.IsNumber())
        prediction.score = score->value.GetDouble();
    attributesOf(document, prediction);
    return true;
}

QString CocoPredictionReader::categoryName(qint64 id) const
{
    if (!categories.isEmpty())
        return categories.value(id);
    return id >= 1 && id <= classNames.size() ? classNames.at(static_cast<qsizetype>(id - 1))
                                              : QString();
}
