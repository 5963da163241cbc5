#include "shapeclipboard.h"
#include "tagindex.h"
#include "viewadjustment.h"
#include "viewsettings.h"

#include <QCoreApplication>
#include <QImage>
#include <QMimeData>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <memory>

using Cells = std::vector<std::pair<int, int>>;
using Tags = std::vector<CopiedTag>;
Q_DECLARE_METATYPE(ViewAdjustment)
Q_DECLARE_METATYPE(Cells)
Q_DECLARE_METATYPE(Tags)

namespace QTest {
template <> char* toString(const ViewAdjustment& adjustment)
{
    return qstrdup(qPrintable(adjustmentText(adjustment)));
}
} // namespace QTest

class TestComfort : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void tableMapsEachChannelValue_data();
    void tableMapsEachChannelValue();
    void percentagesStayWithinTheRange_data();
    void percentagesStayWithinTheRange();
    void adjustsColourChannelsAndKeepsAlpha_data();
    void adjustsColourChannelsAndKeepsAlpha();
    void copiesTheAdjustedArea_data();
    void copiesTheAdjustedArea();
    void namesTheSettingForTheStatusBar_data();
    void namesTheSettingForTheStatusBar();
    void settingComesBackHeldWithinTheRange_data();
    void settingComesBackHeldWithinTheRange();

    void shapeTravelsWithItsTagsAndCaptions();
    void refusesWhatIsNotAShape_data();
    void refusesWhatIsNotAShape();
    void matchesTagsToThisVocabulary_data();
    void matchesTagsToThisVocabulary();
};

void TestComfort::initTestCase()
{
    // The settings of this test stay apart from any operator's.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("QuadrotagTest"));
    QCoreApplication::setApplicationName(QStringLiteral("test_comfort"));
}

void TestComfort::init()
{
    QSettings().clear();
}

void TestComfort::tableMapsEachChannelValue_data()
{
    QTest::addColumn<int>("brightness");
    QTest::addColumn<int>("contrast");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("shown");
    QTest::newRow("neutral, black") << 0 << 0 << 0 << 0;
    QTest::newRow("neutral, mid") << 0 << 0 << 137 << 137;
    QTest::newRow("neutral, white") << 0 << 0 << 255 << 255;
    QTest::newRow("brighter by 10 %") << 10 << 0 << 100 << 110;
    QTest::newRow("darker by 10 %") << -10 << 0 << 100 << 90;
    QTest::newRow("brighter keeps black black") << 50 << 0 << 0 << 0;
    QTest::newRow("brighter stops at white") << 100 << 0 << 200 << 255;
    QTest::newRow("darkest is black") << -100 << 0 << 255 << 0;
    QTest::newRow("more contrast above mid-grey") << 0 << 10 << 200 << 207;
    QTest::newRow("more contrast below mid-grey") << 0 << 10 << 50 << 42;
    QTest::newRow("no contrast left, black") << 0 << -100 << 0 << 128;
    QTest::newRow("no contrast left, white") << 0 << -100 << 255 << 128;
    QTest::newRow("most contrast stops at black") << 0 << 100 << 40 << 0;
    // Brightness first: (150 - 127.5) * 2 + 127.5; the other order would give 109.
    QTest::newRow("brightness before contrast") << 50 << 100 << 100 << 173;
}

void TestComfort::tableMapsEachChannelValue()
{
    QFETCH(int, brightness);
    QFETCH(int, contrast);
    QFETCH(int, value);
    QFETCH(int, shown);
    const ViewAdjustment adjustment{brightness, contrast};
    QCOMPARE(int(adjustmentTable(adjustment)[std::size_t(value)]), shown);
}

void TestComfort::percentagesStayWithinTheRange_data()
{
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("kept");
    QTest::newRow("above the top") << 110 << 100;
    QTest::newRow("the top") << 100 << 100;
    QTest::newRow("inside") << -30 << -30;
    QTest::newRow("the bottom") << -100 << -100;
    QTest::newRow("below the bottom") << -110 << -100;
}

void TestComfort::percentagesStayWithinTheRange()
{
    QFETCH(int, asked);
    QFETCH(int, kept);
    const ViewAdjustment start{20, -20};
    QCOMPARE(start.withBrightness(asked), (ViewAdjustment{kept, -20}));
    QCOMPARE(start.withContrast(asked), (ViewAdjustment{20, kept}));
}

void TestComfort::adjustsColourChannelsAndKeepsAlpha_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("brightness");
    QTest::addColumn<QColor>("shown");
    QTest::newRow("32-bit RGB") << int(QImage::Format_RGB32) << 50 << QColor(150, 90, 30, 255);
    QTest::newRow("32-bit RGB with alpha")
        << int(QImage::Format_ARGB32) << 50 << QColor(150, 90, 30, 128);
    QTest::newRow("24-bit RGB, made 32-bit")
        << int(QImage::Format_RGB888) << 50 << QColor(150, 90, 30);
    QTest::newRow("neutral leaves it alone")
        << int(QImage::Format_ARGB32) << 0 << QColor(100, 60, 20, 128);
}

void TestComfort::adjustsColourChannelsAndKeepsAlpha()
{
    QFETCH(int, format);
    QFETCH(int, brightness);
    QFETCH(QColor, shown);
    QImage image(3, 2, QImage::Format(format));
    image.fill(QColor(100, 60, 20, 128));
    applyAdjustment(image, ViewAdjustment{brightness, 0});
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            QCOMPARE(image.pixelColor(x, y), shown);
}

void TestComfort::copiesTheAdjustedArea_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QRect>("copied");
    QTest::newRow("inside") << int(QImage::Format_RGB32) << QRect(1, 2, 3, 2) << QRect(1, 2, 3, 2);
    QTest::newRow("over the border, cut")
        << int(QImage::Format_RGB32) << QRect(3, 1, 9, 9) << QRect(3, 1, 2, 3);
    QTest::newRow("24-bit, inside")
        << int(QImage::Format_RGB888) << QRect(2, 1, 2, 2) << QRect(2, 1, 2, 2);
}

// Each pixel of the copy is the adjusted pixel at the same place in the image.
void TestComfort::copiesTheAdjustedArea()
{
    QFETCH(int, format);
    QFETCH(QRect, area);
    QFETCH(QRect, copied);
    QImage image(5, 4, QImage::Format(format));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor(10 * x, 20 * y, 100));
    const ViewAdjustment brighter{100, 0};
    const QImage adjusted = adjustedCopy(image, area, brighter);
    QCOMPARE(adjusted.size(), copied.size());
    for (int y = 0; y < copied.height(); ++y)
        for (int x = 0; x < copied.width(); ++x)
            QCOMPARE(adjusted.pixelColor(x, y),
                     QColor(20 * (copied.x() + x), 40 * (copied.y() + y), 200));
}

void TestComfort::namesTheSettingForTheStatusBar_data()
{
    QTest::addColumn<int>("brightness");
    QTest::addColumn<int>("contrast");
    QTest::addColumn<bool>("neutral");
    QTest::addColumn<QString>("text");
    QTest::newRow("both") << 20 << -10 << false << "Brightness +20 %, contrast -10 %";
    QTest::newRow("brightness only") << 10 << 0 << false << "Brightness +10 %, contrast 0 %";
    QTest::newRow("contrast only") << 0 << 30 << false << "Brightness 0 %, contrast +30 %";
    QTest::newRow("neutral") << 0 << 0 << true << "Brightness 0 %, contrast 0 %";
}

void TestComfort::namesTheSettingForTheStatusBar()
{
    QFETCH(int, brightness);
    QFETCH(int, contrast);
    QFETCH(bool, neutral);
    QFETCH(QString, text);
    const ViewAdjustment adjustment{brightness, contrast};
    QCOMPARE(adjustment.isNeutral(), neutral);
    QCOMPARE(adjustmentText(adjustment), text);
}

void TestComfort::settingComesBackHeldWithinTheRange_data()
{
    QTest::addColumn<QVariant>("brightness");
    QTest::addColumn<QVariant>("contrast");
    QTest::addColumn<ViewAdjustment>("restored");
    QTest::newRow("as stored") << QVariant(30) << QVariant(-40) << ViewAdjustment{30, -40};
    QTest::newRow("beyond the range")
        << QVariant(500) << QVariant(-500) << ViewAdjustment{100, -100};
    QTest::newRow("not numbers") << QVariant("bright") << QVariant() << ViewAdjustment{0, 0};
}

void TestComfort::settingComesBackHeldWithinTheRange()
{
    QFETCH(QVariant, brightness);
    QFETCH(QVariant, contrast);
    QFETCH(ViewAdjustment, restored);
    QCOMPARE(storedViewAdjustment(), ViewAdjustment());
    {
        QSettings settings;
        settings.setValue(QStringLiteral("view/brightness"), brightness);
        settings.setValue(QStringLiteral("view/contrast"), contrast);
    }
    QCOMPARE(storedViewAdjustment(), restored);
    storeViewAdjustment(ViewAdjustment{-10, 20});
    QCOMPARE(storedViewAdjustment(), (ViewAdjustment{-10, 20}));

    QCOMPARE(storedDarkPalette(), false);
    storeDarkPalette(true);
    QCOMPARE(storedDarkPalette(), true);
}

void TestComfort::shapeTravelsWithItsTagsAndCaptions()
{
    TagIndex index;
    QVERIFY(index.parse("0,0,Sofa\n2,1,Colour: Grey\n"));
    Label shape;
    shape.points = {{-5, 10}, {2147483647, 10}, {60, -2147483647 - 1}, {10, 50}};
    shape.tags = {{0, 0}, {2, 1}, {7, 7}};
    const CopiedShape copied = copiedShapeOf(shape, index);
    const Tags expected{{{0, 0}, "Sofa"}, {{2, 1}, "Colour: Grey"}, {{7, 7}, QString()}};
    QCOMPARE(copied.tags, expected);

    const std::unique_ptr<QMimeData> data(shapeMimeData(copied));
    QVERIFY(data->hasFormat(QStringLiteral("application/x-quadrotag-shapes")));
    CopiedShape read;
    QVERIFY(readCopiedShape(data.get(), read));
    QCOMPARE(read.corners, shape.points);
    QCOMPARE(read.tags, expected);
}

void TestComfort::refusesWhatIsNotAShape_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("accepted");
    const QByteArray corners = R"("corners":[[1,2],[30,2],[30,40],[1,40]])";
    QTest::newRow("a shape without tags") << "{" + corners + R"(,"tags":[]})" << true;
    QTest::newRow("a shape with a tag")
        << "{" + corners + R"(,"tags":[{"row":0,"column":1,"caption":"Sofa"}]})" << true;
    QTest::newRow("no clipboard content of this kind") << QByteArray() << false;
    QTest::newRow("damaged text") << QByteArray(R"({"corners":[[1,2],)") << false;
    QTest::newRow("a list, not a shape") << QByteArray("[1,2,3]") << false;
    QTest::newRow("three corners")
        << QByteArray(R"({"corners":[[1,2],[30,2],[30,40]],"tags":[]})") << false;
    QTest::newRow("five corners")
        << QByteArray(R"({"corners":[[1,2],[30,2],[30,40],[1,40],[0,0]],"tags":[]})") << false;
    QTest::newRow("a corner with one coordinate")
        << QByteArray(R"({"corners":[[1,2],[30],[30,40],[1,40]],"tags":[]})") << false;
    QTest::newRow("a coordinate between pixels")
        << QByteArray(R"({"corners":[[1.5,2],[30,2],[30,40],[1,40]],"tags":[]})") << false;
    QTest::newRow("a coordinate beyond 32 bits")
        << QByteArray(R"({"corners":[[3000000000,2],[30,2],[30,40],[1,40]],"tags":[]})") << false;
    QTest::newRow("a coordinate as text")
        << QByteArray(R"({"corners":[["1",2],[30,2],[30,40],[1,40]],"tags":[]})") << false;
    QTest::newRow("a tag without caption")
        << "{" + corners + R"(,"tags":[{"row":0,"column":1}]})" << false;
    QTest::newRow("a tag without row")
        << "{" + corners + R"(,"tags":[{"column":1,"caption":"A"}]})" << false;
}

void TestComfort::refusesWhatIsNotAShape()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, accepted);
    QMimeData data;
    data.setText(QStringLiteral("Sofa"));
    if (!json.isEmpty())
        data.setData(QStringLiteral("application/x-quadrotag-shapes"), json);
    CopiedShape shape;
    shape.corners = {{7, 7}};
    QCOMPARE(readCopiedShape(&data, shape), accepted);
    // A refused clipboard leaves what was there.
    QCOMPARE(shape.corners.size(), std::size_t(accepted ? 4 : 1));
    QCOMPARE(readCopiedShape(nullptr, shape), false);
}

void TestComfort::matchesTagsToThisVocabulary_data()
{
    QTest::addColumn<Tags>("copied");
    QTest::addColumn<Cells>("cells");
    QTest::addColumn<int>("leftOff");
    QTest::newRow("same cell, same caption") << Tags{{{0, 1}, "Chair"}} << Cells{{0, 1}} << 0;
    QTest::newRow("caption found in another cell")
        << Tags{{{0, 0}, "Colour: Grey"}} << Cells{{2, 1}} << 0;
    QTest::newRow("cell of this vocabulary, caption unknown")
        << Tags{{{0, 0}, "Ottoman"}} << Cells{} << 1;
    QTest::newRow("cell and caption unknown") << Tags{{{9, 9}, "Ottoman"}} << Cells{} << 1;
    QTest::newRow("no caption") << Tags{{{0, 0}, QString()}} << Cells{} << 1;
    QTest::newRow("kept in row-major order")
        << Tags{{{2, 1}, "Colour: Grey"}, {{0, 1}, "Chair"}, {{0, 0}, "Sofa"}}
        << Cells{{0, 0}, {0, 1}, {2, 1}} << 0;
    QTest::newRow("two that meet in one cell, once")
        << Tags{{{2, 1}, "Colour: Grey"}, {{5, 5}, "Colour: Grey"}} << Cells{{2, 1}} << 0;
    QTest::newRow("some found, some left off")
        << Tags{{{0, 0}, "Sofa"}, {{1, 1}, "Ottoman"}, {{2, 2}, "Pouf"}} << Cells{{0, 0}} << 2;
}

void TestComfort::matchesTagsToThisVocabulary()
{
    QFETCH(Tags, copied);
    QFETCH(Cells, cells);
    QFETCH(int, leftOff);
    TagIndex index;
    QVERIFY(index.parse("0,0,Sofa\n0,1,Chair\n2,1,Colour: Grey\n"));
    int counted = -1;
    QCOMPARE(tagsInVocabulary(copied, index, counted), cells);
    QCOMPARE(counted, leftOff);
}

QTEST_MAIN(TestComfort)
#include "test_comfort.moc"
