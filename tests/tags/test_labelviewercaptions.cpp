#include "cerrcapture.h"
#include "labelviewertest.h"
#include "tagindex.h"
#include "tagnames.h"

#include <QCryptographicHash>
#include <QTest>

#include <sstream>

#include <sys/stat.h>

// What the tags are called: stems without notes, captions of chosen tags, and the index
// files that name every tag cell.
class TestLabelViewerCaptions : public LabelViewerTest
{
    Q_OBJECT

private slots:
    void cutsStemAtLastParenthesis_data();
    void cutsStemAtLastParenthesis();
    void describesTags_data();
    void describesTags();
    void exportsIndexOfWorkedExample();
    void exportsIndex_data();
    void exportsIndex();
};

void TestLabelViewerCaptions::cutsStemAtLastParenthesis_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stem");

    QTest::newRow("no note") << "Sofa"
                             << "Sofa";
    QTest::newRow("one note") << "Sofa(leather)"
                              << "Sofa";
    QTest::newRow("two notes") << "Lamp(floor)(tall)"
                               << "Lamp(floor)";
    QTest::newRow("only a note") << "(misc)"
                                 << "";
}

void TestLabelViewerCaptions::cutsStemAtLastParenthesis()
{
    QFETCH(QString, text);
    QFETCH(QString, stem);
    QCOMPARE(LabelViewer::tagStem(text), stem);
}

void TestLabelViewerCaptions::describesTags_data()
{
    QTest::addColumn<TagList>("tags");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("possible");

    QTest::newRow("no tags") << TagList{} << "" << true;
    QTest::newRow("worked caption")
        << TagList{{0, 1}, {2, 2}, {3, 1}, {4, 3}} << "S2\nK: T2, T6\nM: U3\n"
        << true;
    QTest::newRow("two tags in one row") << TagList{{2, 1}, {2, 3}} << "K: T1, T3\n" << true;
    QTest::newRow("one category over two rows")
        << TagList{{4, 5}, {5, 1}, {5, 5}} << "M: U5, U6, U10\n"
        << true;
    QTest::newRow("single then two categories")
        << TagList{{0, 0}, {2, 1}, {4, 1}} << "S1\nK: T1\nM: U1\n"
        << true;
    QTest::newRow("single in category's last row runs on") << TagList{{3, 2}, {3, 3}} << "K: T7S8\n"
                                                           << true;
    QTest::newRow("header after a tag") << TagList{{0, 1}, {2, 0}, {2, 1}} << "S2\n" << false;
    QTest::newRow("filler") << TagList{{1, 1}} << "" << false;
    QTest::newRow("cell under a span") << TagList{{3, 0}} << "" << false;
    QTest::newRow("row past the table") << TagList{{0, 1}, {7, 0}} << "S2\n" << false;
    QTest::newRow("column past the table") << TagList{{0, 6}} << "" << false;
    QTest::newRow("category tag before an outside pair")
        << TagList{{2, 1}, {2000000, 1}} << "K: T1\n"
        << false;
}

void TestLabelViewerCaptions::describesTags()
{
    QFETCH(TagList, tags);
    QFETCH(QString, caption);
    QFETCH(bool, possible);

    const std::unique_ptr<LabelViewer> table = loadedTable(workedExample);
    QVERIFY(table);
    QString text = QStringLiteral("stale");
    bool described = false;
    QString errors;
    {
        CerrCapture capture;
        described = table->describeTags(tags, text);
        errors = capture.text();
    }
    QCOMPARE(described, possible);
    QCOMPARE(text, caption);
    QCOMPARE(errors, possible ? QString() : QString::fromLatin1(impossibleLine));
}

void TestLabelViewerCaptions::exportsIndexOfWorkedExample()
{
    writeFile(QStringLiteral("tags"), workedExample);
    LabelViewer table(nullptr);
    QString errors;
    {
        CerrCapture capture;
        QVERIFY(table.loadTags("tags"));
        errors = capture.text();
    }
    const QByteArray index = "0,0,S1\n0,1,S2\n0,2,S3\n0,3,S4\n0,4,S5\n0,5,S6\n"
                             "1,0,S7\n"
                             "2,1,K: T1\n2,2,K: T2\n2,3,K: T3\n2,4,K: T4\n2,5,K: T5\n"
                             "3,1,K: T6\n3,2,K: T7\n3,3,S8\n"
                             "4,1,M: U1\n4,2,M: U2\n4,3,M: U3\n4,4,M: U4\n4,5,M: U5\n"
                             "5,1,M: U6\n5,2,M: U7\n5,3,M: U8\n5,4,M: U9\n5,5,M: U10\n"
                             "6,0,S9\n";
    QCOMPARE(readFile(QStringLiteral("index2tag.csv")), index);
    QCOMPARE(index.count('\n'), 26);
    // Two headers and fourteen fillers name no tag.
    QCOMPARE(errors, QString::fromLatin1(impossibleLine).repeated(16));
}

void TestLabelViewerCaptions::exportsIndex_data()
{
    QTest::addColumn<QByteArray>("vocabulary");
    QTest::addColumn<QByteArray>("index");
    QTest::addColumn<QByteArray>("names");
    // A pipe where the names go, which a reader would wait on for ever.
    QTest::addColumn<bool>("namesPipe");

    QTest::newRow("empty vocabulary") << QByteArray() << QByteArray() << QByteArray() << false;
    QTest::newRow("notes left out")
        << QByteArray("Lamp(floor)(tall) 0 Sofa(big) 2 Arm(left) Back")
        << QByteArray("0,0,Lamp(floor)\n1,1,Sofa: Arm\n1,2,Sofa: Back\n")
        << QByteArray("0,0,Lamp(floor)(tall)\n1,1,Sofa(big): Arm(left)\n1,2,Sofa(big): Back\n")
        << false;
    QTest::newRow("non-Latin text kept")
        << QByteArray("Стол(дуб) 0 Диван 1 угловой") << QByteArray("0,0,Стол\n1,1,Диван: угловой\n")
        << QByteArray("0,0,Стол(дуб)\n1,1,Диван: угловой\n") << false;
    QTest::newRow("overwrites an older index")
        << QByteArray("A 0") << QByteArray("0,0,A\n") << QByteArray("0,0,A\n") << false;
    QTest::newRow("a pipe where the names go")
        << QByteArray("A 0") << QByteArray("0,0,A\n") << QByteArray("0,0,A\n") << true;
}

void TestLabelViewerCaptions::exportsIndex()
{
    QFETCH(QByteArray, vocabulary);
    QFETCH(QByteArray, index);
    QFETCH(QByteArray, names);
    QFETCH(bool, namesPipe);

    writeFile(QStringLiteral("index2tag.csv"), "9,9,left from an earlier run\n");
    if (namesPipe) {
        QFile::remove(QStringLiteral("index2name.csv"));
        QVERIFY(mkfifo("index2name.csv", 0600) == 0);
    }
    QVERIFY(loadedTable(vocabulary));
    QCOMPARE(readFile(QStringLiteral("index2tag.csv")), index);
    // Beside it the whole names, notes included, of the index with exactly these bytes.
    const QByteArray digest = QCryptographicHash::hash(index, QCryptographicHash::Sha256).toHex();
    QCOMPARE(readFile(QStringLiteral("index2name.csv")),
             "index2tag.csv sha256 " + digest + "\n" + names);
    const std::optional<TagIndex> readNames =
        TagNames::readFor(QStringLiteral("index2tag.csv"), index);
    QVERIFY(readNames);
    QCOMPARE(readNames->toBytes(), names);
    QVERIFY(!TagNames::readFor(QStringLiteral("index2tag.csv"), index + "9,9,X\n"));

    // The start-up check and quadrotag-relabel compute and read the same file without widgets.
    std::istringstream in(vocabulary.toStdString());
    TagLayout layout;
    layout.read(in);
    QCOMPARE(TagIndex::ofLayout(layout).toBytes(), index);
    TagIndex readBack;
    QVERIFY(readBack.read(QStringLiteral("index2tag.csv")));
    QCOMPARE(readBack.toBytes(), index);

    // Loaded again, the same vocabulary leaves both files as they are; names changed by hand
    // beside the same index are written again.
    const QDateTime past = QDateTime::currentDateTime().addDays(-1);
    for (const QString name : {"index2tag.csv", "index2name.csv"}) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(past, QFileDevice::FileModificationTime));
    }
    writeFile(QStringLiteral("index2name.csv"), "changed by hand\n");
    const std::unique_ptr<LabelViewer> table = loadedTable(vocabulary);
    QVERIFY(table);
    QCOMPARE(QFileInfo(QStringLiteral("index2tag.csv")).lastModified(), past);
    QVERIFY(readFile(QStringLiteral("index2name.csv")).endsWith(names));

    // Bytes read at start are believed, not read again: the same left, others written over.
    const QByteArray namesFile = readFile(QStringLiteral("index2name.csv"));
    writeFile(QStringLiteral("index2tag.csv"), "9,9,stale\n");
    table->loadTagsFrom(vocabulary, QStringLiteral("index2tag.csv"), {index, namesFile});
    QCOMPARE(readFile(QStringLiteral("index2tag.csv")), QByteArray("9,9,stale\n"));
    table->loadTagsFrom(vocabulary, QStringLiteral("index2tag.csv"), {"9,9,stale\n", namesFile});
    QCOMPARE(readFile(QStringLiteral("index2tag.csv")), index);
}

QTEST_MAIN(TestLabelViewerCaptions)
#include "test_labelviewercaptions.moc"
