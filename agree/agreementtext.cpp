#include "agreementtext.h"

#include "agreementtally.h"

#include "reporttext.h"

#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {

const int countWidth = 8;

// Three decimals; a value that rounds to zero is written without a sign.
QByteArray decimal(double value)
{
    const QByteArray text = QByteArray::number(value, 'f', 3);
    return text == "-0.000" ? QByteArray("0.000") : text;
}

QString kappaText(const std::optional<double>& kappa)
{
    return kappa ? QString::fromLatin1(decimal(*kappa)) : QStringLiteral("-");
}

void writeDecimal(JsonWriter& json, const char* key, double value)
{
    json.Key(key);
    const QByteArray text = decimal(value);
    json.RawValue(text.constData(), static_cast<std::size_t>(text.size()), rapidjson::kNumberType);
}

void writeKappa(JsonWriter& json, const std::optional<double>& kappa)
{
    if (kappa) {
        writeDecimal(json, "kappa", *kappa);
        return;
    }
    json.Key("kappa");
    json.Null();
}

void writeShapes(JsonWriter& json, const AgreementTally& tally)
{
    json.Key("shapes");
    json.StartObject();
    writeCount(json, "a", tally.shapesA());
    writeCount(json, "b", tally.shapesB());
    writeCount(json, "matched", tally.matched());
    writeCount(json, "only_a", tally.onlyA());
    writeCount(json, "only_b", tally.onlyB());
    json.EndObject();
}

void writeTags(JsonWriter& json, const AgreementTally& tally)
{
    json.Key("tags");
    json.StartArray();
    for (const AgreementTally::TagAgreement& tag : tally.tags()) {
        json.StartObject();
        json.Key("caption");
        writeString(json, tag.caption);
        writeCount(json, "both", tag.both);
        writeCount(json, "only_a", tag.onlyA);
        writeCount(json, "only_b", tag.onlyB);
        writeKappa(json, tag.kappa);
        json.EndObject();
    }
    json.EndArray();
}

void writeStyles(JsonWriter& json, const AgreementTally& tally)
{
    json.Key("styles");
    json.StartObject();
    writeCount(json, "agree", tally.stylesAgreed());
    writeCount(json, "disagree", tally.stylesDisagreed());
    writeKappa(json, tally.styleKappa());
    json.EndObject();
}

void writeWorst(JsonWriter& json, const AgreementTally& tally)
{
    json.Key("worst");
    json.StartArray();
    for (const ImageAgreement& image : tally.worst()) {
        json.StartObject();
        json.Key("image");
        writeString(json, image.image);
        writeCount(json, "matched", image.matched);
        writeCount(json, "only_a", image.onlyA);
        writeCount(json, "only_b", image.onlyB);
        writeDecimal(json, "mean_iou", image.meanIou);
        json.EndObject();
    }
    json.EndArray();
}

void writeHeading(QTextStream& out, int width, const QString& name, const QStringList& columns)
{
    out << qSetFieldWidth(width) << Qt::left << name << qSetFieldWidth(countWidth) << Qt::right;
    for (const QString& column : columns)
        out << column;
    out << qSetFieldWidth(0) << '\n';
}

void writeTagTable(QTextStream& out, const AgreementTally& tally)
{
    const std::vector<AgreementTally::TagAgreement> tags = tally.tags();
    QStringList captions;
    for (const AgreementTally::TagAgreement& tag : tags)
        captions << tag.caption;
    const QString heading = QStringLiteral("Tag");
    const int width = nameWidth(captions, heading);
    writeHeading(out, width, heading, {"Both", "Only A", "Only B", "Kappa"});
    for (const AgreementTally::TagAgreement& tag : tags)
        out << qSetFieldWidth(width) << Qt::left << tag.caption << qSetFieldWidth(countWidth)
            << Qt::right << tag.both << tag.onlyA << tag.onlyB << kappaText(tag.kappa)
            << qSetFieldWidth(0) << '\n';
}

void writeWorstTable(QTextStream& out, const AgreementTally& tally)
{
    QStringList paths;
    for (const ImageAgreement& image : tally.worst())
        paths << image.image;
    const QString heading = QStringLiteral("Image");
    const int width = nameWidth(paths, heading);
    writeHeading(out, width, heading, {"Matched", "Only A", "Only B", "IoU"});
    for (const ImageAgreement& image : tally.worst())
        out << qSetFieldWidth(width) << Qt::left << image.image << qSetFieldWidth(countWidth)
            << Qt::right << image.matched << image.onlyA << image.onlyB
            << QString::fromLatin1(decimal(image.meanIou)) << qSetFieldWidth(0) << '\n';
}

} // namespace

QByteArray agreementJson(const AgreementTally& tally)
{
    rapidjson::StringBuffer buffer;
    JsonWriter json(buffer);
    json.StartObject();
    writeCount(json, "images", tally.images());
    writeShapes(json, tally);
    writeDecimal(json, "mean_iou", tally.meanIou());
    writeTags(json, tally);
    writeStyles(json, tally);
    writeWorst(json, tally);
    json.EndObject();
    return QByteArray(buffer.GetString(), static_cast<qsizetype>(buffer.GetSize())) + '\n';
}

QByteArray agreementTable(const AgreementTally& tally)
{
    QString text;
    QTextStream out(&text);
    out << "Images " << tally.images() << '\n';
    out << "Shapes: A " << tally.shapesA() << ", B " << tally.shapesB() << ", matched "
        << tally.matched() << ", only A " << tally.onlyA() << ", only B " << tally.onlyB() << '\n';
    out << "Mean IoU of the matched shapes " << decimal(tally.meanIou()).constData() << '\n';
    out << "Styles: agree " << tally.stylesAgreed() << ", disagree " << tally.stylesDisagreed()
        << ", kappa " << kappaText(tally.styleKappa()) << "\n\n";
    writeTagTable(out, tally);
    out << "\nImages with the most unmatched shapes\n";
    writeWorstTable(out, tally);
    out.flush();
    return text.toUtf8();
}
