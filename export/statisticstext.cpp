#include "statisticstext.h"

#include "reporttext.h"

#include <QTextStream>

#include <cmath>

#include <algorithm>

namespace {

void writeImages(JsonWriter& json, const DatasetStatistics& statistics)
{
    json.Key("images");
    json.StartObject();
    writeCount(json, "total", statistics.total());
    writeCount(json, "labelled", statistics.labelled());
    writeCount(json, "unlabelled", statistics.unlabelled());
    writeCount(json, "proposed", statistics.proposed());
    writeCount(json, "empty", statistics.empty());
    json.EndObject();
}

void writeTags(JsonWriter& json, const DatasetStatistics& statistics)
{
    json.Key("tags");
    json.StartArray();
    for (const DatasetStatistics::TagCount& tag : statistics.tags()) {
        json.StartObject();
        json.Key("caption");
        writeString(json, tag.caption);
        writeCount(json, "shapes", tag.shapes);
        writeCount(json, "images", tag.images);
        json.EndObject();
    }
    json.EndArray();
}

void writeStyles(JsonWriter& json, const DatasetStatistics& statistics)
{
    json.Key("styles");
    json.StartArray();
    for (qsizetype index = 0; index < statistics.styleNames().size(); ++index) {
        json.StartObject();
        json.Key("style");
        writeString(json, statistics.styleNames()[index]);
        writeCount(json, "images", statistics.styleImages()[static_cast<std::size_t>(index)]);
        json.EndObject();
    }
    json.EndArray();
}

void writeShapesPerImage(JsonWriter& json, const DatasetStatistics& statistics)
{
    json.Key("shapes_per_image");
    json.StartObject();
    writeCount(json, "min", statistics.minShapes());
    writeCount(json, "median", statistics.medianShapes());
    writeCount(json, "max", statistics.maxShapes());
    json.EndObject();
}

void writeReviews(JsonWriter& json, const DatasetStatistics& statistics)
{
    json.Key("reviews");
    json.StartObject();
    writeCount(json, "accepted", statistics.reviews().accepted);
    writeCount(json, "rejected", statistics.reviews().rejected);
    writeCount(json, "changed", statistics.reviews().changed);
    writeCount(json, "unreviewed", statistics.reviews().unreviewed);
    json.EndObject();
}

// Rates are read by people: one decimal is enough and keeps the output stable.
double tenths(double value)
{
    return std::round(value * 10.0) / 10.0;
}

void writeOperators(JsonWriter& json, const DatasetStatistics& statistics)
{
    json.Key("operators");
    json.StartArray();
    for (const OperatorSaves::Tally& tally : statistics.operators()) {
        json.StartObject();
        json.Key("operator");
        writeString(json, tally.operatorName);
        writeCount(json, "saves", tally.saves);
        writeCount(json, "images", tally.images);
        writeCount(json, "seconds", tally.seconds);
        json.Key("images_per_hour");
        json.Double(tenths(tally.imagesPerHour()));
        json.EndObject();
    }
    json.EndArray();
}

const int countWidth = 8;
const int rateWidth = 10;

// Only for a dataset that a team saved in; others keep their table as it was.
void writeOperatorTable(QTextStream& out, const DatasetStatistics& statistics)
{
    if (statistics.operators().empty())
        return;
    QStringList names;
    for (const OperatorSaves::Tally& tally : statistics.operators())
        names << tally.operatorName;
    const QString heading = QStringLiteral("Operator");
    const int width = nameWidth(names, heading);
    out << '\n'
        << qSetFieldWidth(width) << Qt::left << heading << qSetFieldWidth(countWidth) << Qt::right
        << "Saves"
        << "Images" << qSetFieldWidth(rateWidth) << "Hours"
        << "Images/h" << qSetFieldWidth(0) << '\n';
    out << qSetRealNumberPrecision(1) << Qt::fixed;
    for (const OperatorSaves::Tally& tally : statistics.operators())
        out << qSetFieldWidth(width) << Qt::left << tally.operatorName << qSetFieldWidth(countWidth)
            << Qt::right << tally.saves << tally.images << qSetFieldWidth(rateWidth)
            << tally.activeHours() << tenths(tally.imagesPerHour()) << qSetFieldWidth(0) << '\n';
}

} // namespace

QByteArray statisticsJson(const DatasetStatistics& statistics, int problems)
{
    rapidjson::StringBuffer buffer;
    JsonWriter json(buffer);
    json.StartObject();
    writeImages(json, statistics);
    writeTags(json, statistics);
    writeStyles(json, statistics);
    writeShapesPerImage(json, statistics);
    writeCount(json, "problems", problems);
    writeReviews(json, statistics);
    writeOperators(json, statistics);
    json.EndObject();
    return QByteArray(buffer.GetString(), static_cast<qsizetype>(buffer.GetSize())) + '\n';
}

QByteArray statisticsTable(const DatasetStatistics& statistics, int problems)
{
    QString text;
    QTextStream out(&text);
    out << "Images " << statistics.total() << ": " << statistics.labelled() << " labelled ("
        << statistics.empty() << " without shapes), " << statistics.unlabelled() << " unlabelled ("
        << statistics.proposed() << " with a proposal)\n";
    out << "Shapes per labelled image: min " << statistics.minShapes() << ", median "
        << statistics.medianShapes() << ", max " << statistics.maxShapes() << '\n';
    out << "Problems " << problems << '\n';
    out << "Reviews: " << statistics.reviews().accepted << " accepted, "
        << statistics.reviews().rejected << " rejected, " << statistics.reviews().changed
        << " changed since review, " << statistics.reviews().unreviewed << " unreviewed\n\n";

    QStringList captions;
    for (const DatasetStatistics::TagCount& tag : statistics.tags())
        captions << tag.caption;
    const QString tagHeading = QStringLiteral("Tag");
    const int tagWidth = nameWidth(captions, tagHeading);
    out << qSetFieldWidth(tagWidth) << Qt::left << tagHeading << qSetFieldWidth(countWidth)
        << Qt::right << "Shapes"
        << "Images" << qSetFieldWidth(0) << '\n';
    for (const DatasetStatistics::TagCount& tag : statistics.tags())
        out << qSetFieldWidth(tagWidth) << Qt::left << tag.caption << qSetFieldWidth(countWidth)
            << Qt::right << tag.shapes << tag.images << qSetFieldWidth(0) << '\n';

    const QString styleHeading = QStringLiteral("Style");
    const int styleWidth = nameWidth(statistics.styleNames(), styleHeading);
    out << '\n'
        << qSetFieldWidth(styleWidth) << Qt::left << styleHeading << qSetFieldWidth(countWidth)
        << Qt::right << "Images" << qSetFieldWidth(0) << '\n';
    for (qsizetype index = 0; index < statistics.styleNames().size(); ++index)
        out << qSetFieldWidth(styleWidth) << Qt::left << statistics.styleNames()[index]
            << qSetFieldWidth(countWidth) << Qt::right
            << statistics.styleImages()[static_cast<std::size_t>(index)] << qSetFieldWidth(0)
            << '\n';
    writeOperatorTable(out, statistics);
    out.flush();
    return text.toUtf8();
}
