#include "exporttest.h"

#include "labelpath.h"
#include "reviewfile.h"
#include "teampaths.h"
#include "workflowfixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

namespace {

const char exporter[] = QUADROTAG_EXPORT_EXECUTABLE;

// Single tags Sofa, Chair, Lamp at row 0; Material at row 1, Colour at row 2, Object at row 3.
const QByteArray vocabulary = "Sofa 0 Chair(seat) 0 Lamp 0\n"
                              "Material 2 Fabric Wood(oak)\n"
                              "Colour(main) 3 Grey Red Blue\n"
                              "Object 3 Bed Table(low) Desk\n";

// An EXIF block holding only the orientation tag, value 6: turned a quarter clockwise.
const QByteArray exifOrientation6 = QByteArray::fromHex("ffe10022"
                                                        "457869660000"
                                                        "4d4d002a00000008"
                                                        "0001"
                                                        "011200030000000100060000"
                                                        "00000000");

// The JPEG bytes with the EXIF block right after the start-of-image marker.
bool writeTurnedJpeg(const QString& path, int width, int height)
{
    std::vector<uchar> encoded;
    if (!cv::imencode(".jpg", cv::Mat(height, width, CV_8UC3, cv::Scalar(90, 90, 90)), encoded))
        return false;
    QByteArray bytes(reinterpret_cast<const char*>(encoded.data()),
                     static_cast<qsizetype>(encoded.size()));
    bytes.insert(2, exifOrientation6);
    return writeFileBytes(path, bytes);
}

} // namespace

void ExportTest::makeRoot()
{
    QVERIFY(root.isValid());
    QVERIFY(writeFileBytes(path("tags"), vocabulary));
}

void ExportTest::buildCleanDataset()
{
    QVERIFY(QDir().mkpath(path("clean/sub")));
    QVERIFY(writeTestJpeg(path("clean/room1.jpg"), 64, 48, 120));
    QVERIFY(
        writeLabels(path("clean/room1.lbl"), 15,
                    {shape({{10, 4}, {50, 8}, {46, 40}, {6, 36}}, {{0, 1}, {1, 1}, {2, 1}, {3, 2}}),
                     shape({{44, 44}, {44, 30}, {20, 30}, {20, 44}}, {{0, 0}, {0, 2}})}));
    QVERIFY(writeTurnedJpeg(path("clean/sub/turned.jpg"), 64, 48));
    QVERIFY(writeLabels(path("clean/sub/turned.lbl"), 0,
                        {shape({{2, 50}, {40, 50}, {40, 62}, {2, 62}}, {{0, 2}})}));
    QVERIFY(writeTestJpeg(path("clean/sub/Plain.JPG"), 32, 24, 200));
    QVERIFY(QFile::link(path("clean/sub"), path("clean/linked")));
    // Neither a hidden folder nor the tools' own, nor a recovery file, is part of the dataset.
    QVERIFY(QDir().mkpath(path("clean/.hidden")));
    QVERIFY(writeTestJpeg(path("clean/.hidden/secret.jpg"), 32, 24, 10));
    QVERIFY(QDir().mkpath(path("clean/.proposals")));
    QVERIFY(writeTestJpeg(path("clean/.proposals/own.jpg"), 32, 24, 10));
    QVERIFY(writeLabels(path("clean/.proposals/room1.lbl"), 1, {}));
    QVERIFY(writeLabels(path("clean/.room1.lbl.recovery"), 1, {}));
    // The team's folder is passed by without a note.
    QVERIFY(QDir().mkpath(path("clean/.quadrotag/claims")));
    QVERIFY(writeTestJpeg(path("clean/.quadrotag/team.jpg"), 32, 24, 10));
}

void ExportTest::buildReviewedDataset()
{
    const std::vector<QPoint> square{{1, 1}, {10, 1}, {10, 10}, {1, 10}};
    QVERIFY(QDir().mkpath(path("reviewed")));
    for (const char* name :
         {"accepted", "rejected", "changed", "unreviewed", "malformed", "unlabelled"}) {
        const QString image = path(QStringLiteral("reviewed/%1.jpg").arg(name));
        QVERIFY(writeTestJpeg(image, 32, 24, 90));
        if (QByteArray(name) != "unlabelled")
            QVERIFY(writeLabels(labelPathFor(image), 0, {shape(square, {{0, 0}})}));
    }
    const auto review = [this](const char* name, Review::Verdict verdict,
                               const QByteArray& digest) {
        Review written;
        written.verdict = verdict;
        written.reviewer = "lead";
        written.at = QDateTime(QDate(2026, 12, 1), QTime(9, 30), Qt::UTC);
        written.labelDigest = digest;
        return writeReview(written,
                           reviewPathFor(path(QStringLiteral("reviewed/%1.jpg").arg(name))));
    };
    const auto digestOf = [this](const char* name) {
        return fileDigest(path(QStringLiteral("reviewed/%1.lbl").arg(name)));
    };
    QVERIFY(review("accepted", Review::Verdict::Accepted, digestOf("accepted")));
    QVERIFY(review("rejected", Review::Verdict::Rejected, digestOf("rejected")));
    // Accepted, then saved again with another shape.
    QVERIFY(review("changed", Review::Verdict::Accepted, digestOf("changed")));
    QVERIFY(writeLabels(path("reviewed/changed.lbl"), 0,
                        {shape(square, {{0, 0}}), shape(square, {{0, 1}})}));
    // A review left behind by an image whose label file is gone counts nowhere.
    QVERIFY(review("unlabelled", Review::Verdict::Accepted, bytesDigest("0\n")));
    QVERIFY(
        writeFileBytes(reviewPathFor(path("reviewed/malformed.jpg")), "state accepted\nby lead\n"));
}

ProgramRun ExportTest::runExporter(const QString& workingDir, const QStringList& arguments)
{
    return runProgram(QString::fromLatin1(exporter), workingDir, arguments);
}

QJsonValue ExportTest::json(const char* text)
{
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray("{\"v\":") + text + "}", &error);
    return error.error == QJsonParseError::NoError ? document.object().value("v") : QJsonValue();
}

QStringList ExportTest::filesBelow(const QString& dir)
{
    QStringList found;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(dir).relativeFilePath(it.next());
    found.sort();
    return found;
}
