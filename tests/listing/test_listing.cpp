#include "filenames.h"
#include "namebytes.h"
#include "nameset.h"
#include "naturalorder.h"
#include "splitwork.h"

#include <QCollator>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <thread>

namespace {

// The order QCollator gives in numeric mode, equal texts by their characters.
QStringList sortedByCollator(QStringList texts)
{
    const QLocale system;
    QCollator collator(system.language() == QLocale::C ? QLocale(QLocale::English) : system);
    collator.setNumericMode(true);
    std::stable_sort(texts.begin(), texts.end(), [&](const QString& left, const QString& right) {
        const int byCollator = collator.compare(left, right);
        return byCollator != 0 ? byCollator < 0 : left < right;
    });
    return texts;
}

QStringList inNaturalOrder(const QStringList& texts)
{
    QStringList sorted;
    for (const int index : naturalOrderOf(texts))
        sorted << texts[index];
    return sorted;
}

QStringList randomNames(int count)
{
    QRandomGenerator random(7);
    const QStringList stems = {"room", "Room", "img_", "IMG-", "été ", "a very long common stem "};
    QStringList names;
    for (int i = 0; i < count; ++i)
        names
            << stems[random.bounded(int(stems.size()))] +
                   QString::number(random.bounded(100000)).rightJustified(random.bounded(7), '0') +
                   (random.bounded(4) == 0 ? "b" : "") + ".jpg";
    return names;
}

} // namespace

// Listing a folder: its names, the set that finds label files, and the order of the batch.
class TestListing : public QObject
{
    Q_OBJECT

private slots:
    void orderIsTheCollatorsOrder_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("numbers by value") << QStringList{"img10.jpg", "img9.jpg", "img100.jpg"};
        QTest::newRow("leading zeros, equal keys")
            << QStringList{"img2.jpg", "img02.jpg", "img002.jpg", "img1.jpg"};
        QTest::newRow("case and punctuation")
            << QStringList{"b.jpg", "B.jpg", "a-1.jpg", "a_1.jpg", "a 1.jpg", "a1.jpg"};
        QTest::newRow("accents") << QStringList{"étage.jpg", "etage.jpg", "ezra.jpg", "Étage.jpg"};
        // Keys longer than the part compared in place.
        QTest::newRow("long common stems") << QStringList{
            "living room with the big window 12.jpg", "living room with the big window 3.jpg",
            "living room with the big window 3b.jpg", "living room with the big windows.jpg"};
        QTest::newRow("one name") << QStringList{"only.jpg"};
        QTest::newRow("none") << QStringList{};
        // More than one thread's share: parts sorted apart and merged.
        QTest::newRow("several parts") << randomNames(70000);
    }
    void orderIsTheCollatorsOrder()
    {
        QFETCH(QStringList, names);
        QCOMPARE(inNaturalOrder(names), sortedByCollator(names));
    }

    void pathsSortByTheirNames()
    {
        const QStringList paths = {"/z/img10.jpg", "/z/img9.jpg", "/z/img1.jpg"};
        QCOMPARE(naturalOrderOf(paths, 3), (std::vector<int>{2, 1, 0}));
    }

    void workIsSharedOutWithoutGapOrOverlap_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("parts");
        QTest::newRow("one part") << 10 << 1;
        QTest::newRow("more parts than items") << 3 << 4;
        QTest::newRow("uneven") << 100001 << 3;
        QTest::newRow("none") << 0 << 2;
    }
    void workIsSharedOutWithoutGapOrOverlap()
    {
        QFETCH(int, count);
        QFETCH(int, parts);
        std::vector<int> visits(std::size_t(count), 0);
        runInParts(std::size_t(count), parts, [&](int, std::size_t begin, std::size_t end) {
            for (std::size_t index = begin; index < end; ++index)
                ++visits[index];
        });
        QVERIFY(
            std::all_of(visits.begin(), visits.end(), [](int visited) { return visited == 1; }));
    }

    void shortListsStayOnOneThread()
    {
        QCOMPARE(partsFor(0), 1);
        QCOMPARE(partsFor(16383), 1);
        // Two threads' worth of items, on a machine with at least two cores.
        QCOMPARE(partsFor(32768),
                 int(std::min(2u, std::max(1u, std::thread::hardware_concurrency()))));
        QVERIFY(partsFor(10000000) >= 1);
        QVERIFY(partsFor(10000000) <= 4);
    }

    void nameSetFindsWhatWasPutIn()
    {
        NameSet names;
        QVERIFY(!names.contains("room1"));
        for (int i = 0; i < 1000; ++i)
            names.insert(QByteArray::number(i * 7).toStdString());
        names.insert("0");
        names.insert("");
        QCOMPARE(names.size(), std::size_t(1001));
        QVERIFY(names.contains("0"));
        QVERIFY(names.contains("6993"));
        QVERIFY(names.contains(""));
        QVERIFY(!names.contains("6994"));
        QVERIFY(!names.contains("699"));
        QVERIFY(!names.contains("69930"));
    }

    // A name that does not come back from its text would open another file, or none.
    void nameIsDecodableOnlyWhenItsTextGivesItsBytesBack_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("decodable");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("plain") << QByteArray("room 1.jpg") << true << "room 1.jpg";
        QTest::newRow("empty") << QByteArray() << true << "";
        QTest::newRow("accent in UTF-8")
            << QByteArray("\xc3\xa9t\xc3\xa9.jpg") << true << "\\xc3\\xa9t\\xc3\\xa9.jpg";
        QTest::newRow("latin-1 accent") << QByteArray("latin\xe9.jpg") << false << "latin\\xe9.jpg";
        QTest::newRow("replacement character itself")
            << QByteArray("latin\xef\xbf\xbd.jpg") << true << "latin\\xef\\xbf\\xbd.jpg";
        QTest::newRow("cut sequence at the end") << QByteArray("a\xc3") << false << "a\\xc3";
        QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf"
                                                      "b.jpg")
                                        << false << "a\\xc0\\xafb.jpg";
        QTest::newRow("control and backslash")
            << QByteArray("a\tb\\c\x7f~") << true << "a\\x09b\\x5cc\\x7f~";
    }
    void nameIsDecodableOnlyWhenItsTextGivesItsBytesBack()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, decodable);
        QFETCH(QString, escaped);
        QCOMPARE(isDecodableName(name), decodable);
        QCOMPARE(escapedName(std::string_view(name.constData(), std::size_t(name.size()))),
                 escaped);
    }

    void onlyRegularFilesAreNamed()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("folder.jpg"));
        for (const char* name : {"a.jpg", ".hidden.jpg", "été.jpg"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(dir.filePath("a.jpg"), dir.filePath("link.jpg")));
        QVERIFY(QFile::link(dir.filePath("folder.jpg"), dir.filePath("folderlink.jpg")));
        QVERIFY(QFile::link(dir.filePath("gone.jpg"), dir.filePath("broken.jpg")));
        QStringList names;
        QVERIFY(forEachFileIn(dir.path(), [&](std::string_view name) {
            names << QFile::decodeName(QByteArray(name.data(), qsizetype(name.size())));
        }));
        names.sort();
        QCOMPARE(names, (QStringList{".hidden.jpg", "a.jpg", "link.jpg", "été.jpg"}));
        QVERIFY(!forEachFileIn(dir.filePath("missing"), [](std::string_view) {}));
    }
};

QTEST_APPLESS_MAIN(TestListing)
#include "test_listing.moc"
