#include "reportjson.h"

#include "agreementtext.h"
#include "reporttext.h"
#include "statisticstext.h"

namespace {

void writeRaw(JsonWriter& json, const char* key, const QByteArray& object)
{
    json.Key(key);
    const QByteArray trimmed = object.trimmed();
    json.RawValue(trimmed.constData(), static_cast<std::size_t>(trimmed.size()),
                  rapidjson::kObjectType);
}

void writeFolders(JsonWriter& json, const ReportFigures& figures)
{
    json.Key("folders");
    json.StartArray();
    for (const auto& [folder, progress] : figures.folders()) {
        json.StartObject();
        json.Key("folder");
        writeString(json, folder);
        writeCount(json, "images", progress.images);
        writeCount(json, "labelled", progress.labelled);
        writeCount(json, "proposed", progress.proposed);
        writeCount(json, "accepted", progress.accepted);
        writeCount(json, "rejected", progress.rejected);
        writeCount(json, "untouched", progress.untouched());
        json.EndObject();
    }
    json.EndArray();
    writeCount(json, "folders_not_listed", figures.foldersOver());
}

void writeShapeAreas(JsonWriter& json, const ReportFigures& figures)
{
    json.Key("shape_areas");
    json.StartArray();
    for (std::size_t index = 0; index < ReportFigures::areaBinTops.size(); ++index) {
        json.StartObject();
        json.Key("up_to");
        json.Double(ReportFigures::areaBinTops[index]);
        writeCount(json, "shapes", figures.shapeAreas()[index]);
        json.EndObject();
    }
    json.EndArray();
}

void writeProblems(JsonWriter& json, const ReportFigures& figures)
{
    json.Key("problem_groups");
    json.StartArray();
    for (const auto& [kind, group] : figures.problems()) {
        json.StartObject();
        json.Key("kind");
        writeString(json, kind);
        writeCount(json, "count", group.count);
        json.Key("files");
        json.StartArray();
        for (const auto& example : group.examples)
            writeString(json, example.first);
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
}

void writeRejected(JsonWriter& json, const ReportFigures& figures)
{
    json.Key("rejected");
    json.StartArray();
    for (const ReportFigures::RejectedImage& rejected : figures.rejected()) {
        json.StartObject();
        json.Key("image");
        writeString(json, rejected.image);
        json.Key("by");
        writeString(json, rejected.review.reviewer);
        json.Key("comment");
        writeString(json, rejected.review.comment);
        json.Key("notes");
        json.StartArray();
        for (const ReviewNote& note : rejected.review.notes)
            writeString(json, note.text);
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
}

void writeDays(JsonWriter& json, const DatasetStatistics& statistics)
{
    json.Key("operators_by_day");
    json.StartArray();
    for (const OperatorSaves::Tally& tally : statistics.operators()) {
        json.StartObject();
        json.Key("operator");
        writeString(json, tally.operatorName);
        json.Key("saves_by_day");
        json.StartObject();
        for (const auto& [day, saves] : tally.savesByDay)
            writeCount(json, day.toString(Qt::ISODate).toLatin1().constData(), saves);
        json.EndObject();
        json.Key("weeks");
        json.StartArray();
        for (const OperatorSaves::Week& week : tally.weeks) {
            json.StartObject();
            json.Key("monday");
            writeString(json, week.monday.toString(Qt::ISODate));
            writeCount(json, "seconds", week.seconds);
            writeCount(json, "images", week.timedImages);
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
}

} // namespace

QByteArray reportJson(const ReportInput& input)
{
    rapidjson::StringBuffer buffer;
    JsonWriter json(buffer);
    json.StartObject();
    writeRaw(json, "stats", statisticsJson(input.statistics, input.problems));
    writeFolders(json, input.figures);
    writeShapeAreas(json, input.figures);
    writeProblems(json, input.figures);
    writeCount(json, "rejected_total", input.figures.rejectedCount());
    writeRejected(json, input.figures);
    writeDays(json, input.statistics);
    if (input.agreement)
        writeRaw(json, "agreement", agreementJson(*input.agreement));
    else {
        json.Key("agreement");
        json.Null();
    }
    json.EndObject();
    return QByteArray(buffer.GetString(), static_cast<qsizetype>(buffer.GetSize())) + '\n';
}
