#include "cocopredictionreader.h"

#include "cococorners.h"
#include "cocohandler.h"

#include "imageannotation.h"

#include <QDir>
#include <QSet>

#include <opencv2/core.hpp>
#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/filereadstream.h>
#include <rapidjson/reader.h>

namespace {

// A fault in the fitting is this annotation's problem alone; the others are still imported.
bool fittedCorners(const rapidjson::Value& annotation, Prediction& prediction,
                   const QSize& imageSize)
{
    try {
        return cornersOf(annotation, prediction, imageSize);
    } catch (const cv::Exception& failure) {
        prediction.error =
            QStringLiteral("a segmentation that cannot be fitted (%1)").arg(failure.what());
        return false;
    }
}

const std::size_t readBufferBytes = 1 << 16;
// Iterative, so that deep nesting cannot exhaust the stack; strings must be UTF-8.
const unsigned parseFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;

using Section = CocoPredictionReader::Section;

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
    leaveOutDuplicateImages();
    return true;
}

void CocoPredictionReader::leaveOutDuplicateImages()
{
    // Which of two entries is meant can't be known: neither gets a prediction.
    QHash<qint64, int> idCount;
    QHash<QString, int> nameCount;
    for (const CocoImage& image : imageTable) {
        ++idCount[image.id];
        ++nameCount[QDir::cleanPath(image.fileName)];
    }
    std::vector<CocoImage> kept;
    QSet<QString> told;
    for (const CocoImage& image : imageTable) {
        const QString name = QDir::cleanPath(image.fileName);
        const bool idShared = idCount.value(image.id) > 1;
        if (!idShared && nameCount.value(name) == 1) {
            kept.push_back(image);
            continue;
        }
        const QString fault =
            idShared ? QStringLiteral("image id %1 is given to more than one image").arg(image.id)
                     : QStringLiteral("image %1 is listed more than once").arg(name);
        if (!told.contains(fault))
            report.problem(path, fault + QStringLiteral("; their annotations are left out"));
        told.insert(fault);
        leftOutIds.insert(image.id);
    }
    imageTable = kept;
    for (const qint64 id : std::as_const(leftOutIds))
        spool.take(QByteArray::number(id));
}

void CocoPredictionReader::takeNamesFrom(const CocoPredictionReader& instances)
{
    imageTable = instances.imageTable;
    // Told of with the instances; these predictions are for no one image.
    for (const qint64 id : instances.leftOutIds)
        spool.take(QByteArray::number(id));
    if (categories.isEmpty()) {
        categories = instances.categories;
        sharedCategories = instances.sharedCategories;
    }
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
    if (name.isEmpty()) {
        report.problem(path, QStringLiteral("a category without id or name"));
    } else if (categories.contains(id)) {
        if (!sharedCategories.contains(id))
            report.problem(path, QStringLiteral("category id %1 is given more than once").arg(id));
        sharedCategories.insert(id);
    } else {
        categories.insert(id, name);
    }
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

std::vector<Prediction> CocoPredictionReader::take(qint64 imageId, const QSize& imageSize)
{
    std::vector<Prediction> predictions;
    for (const QByteArray& record : spool.take(QByteArray::number(imageId))) {
        Prediction prediction;
        if (!toPrediction(record, imageSize, prediction) && prediction.error.isEmpty())
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

bool CocoPredictionReader::toPrediction(const QByteArray& record, const QSize& imageSize,
                                        Prediction& prediction)
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
    if (sharedCategories.contains(categoryId)) {
        prediction.error =
            QStringLiteral("category id %1 names more than one category").arg(categoryId);
        return false;
    }
    if (!fittedCorners(document, prediction, imageSize)) {
        if (prediction.error.isEmpty())
            prediction.error = QStringLiteral("no segmentation of four corners and no bbox");
        return false;
    }
    // A score that is no number says nothing of the prediction: it is not taken as sure.
    const auto score = document.FindMember("score");
    if (score != document.MemberEnd() && !score->value.IsNumber()) {
        prediction.error = QStringLiteral("a score that is not a number");
        return false;
    }
    if (score != document.MemberEnd())
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
