#include "vocabularyquestion.h"
#include "workflowfixture.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray oldIndex = "0,0,Sofa\n1,1,Material: Wood\n1,2,Material: Fabric\n"
                            "2,1,Colour: Grey\n2,2,Colour: Beige\n";

QStringList keptIndices(const QString& dir)
{
    return QDir(dir).entryList({"index2tag-*.csv"}, QDir::Files);
}

} // namespace

// The question asked before the window writes a new tag index over an old one.
class TestVocabularyQuestion : public QObject
{
    Q_OBJECT

private slots:
    void asksOnlyWhenOldCellsChangeMeaning_data();
    void asksOnlyWhenOldCellsChangeMeaning();
};

void TestVocabularyQuestion::asksOnlyWhenOldCellsChangeMeaning_data()
{
    QTest::addColumn<QByteArray>("vocabulary");
    QTest::addColumn<QByteArray>("index");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("runsOn");
    QTest::addColumn<QStringList>("changeLines");

    const QByteArray moved = "Sofa 0 Material 6 Wood Fabric Cane Oak Ash Rattan Colour 1 Grey";
    const QStringList movedLines{"Colour: Grey: (2, 1) -> (3, 1)", "Colour: Beige: (2, 2) -> gone"};
    QTest::newRow("moved, Quit") << moved << oldIndex << "Quit" << false << movedLines;
    QTest::newRow("moved, Continue") << moved << oldIndex << "Continue" << true << movedLines;
    QTest::newRow("new cells alone")
        << QByteArray("Sofa 0 Lamp 0 Material 2 Wood Fabric Colour 3 Grey Beige Red") << oldIndex
        << "Quit" << true << QStringList();
    QTest::newRow("no index") << moved << QByteArray("<none>") << "Quit" << true << QStringList();
    QTest::newRow("unreadable index")
        << moved << QByteArray("not an index\n") << "Quit" << true << QStringList();
}

void TestVocabularyQuestion::asksOnlyWhenOldCellsChangeMeaning()
{
    QFETCH(QByteArray, vocabulary);
    QFETCH(QByteArray, index);
    QFETCH(QString, answer);
    QFETCH(bool, runsOn);
    QFETCH(QStringList, changeLines);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString indexPath = dir.filePath("index2tag.csv");
    QVERIFY(writeFileBytes(dir.filePath("tags"), vocabulary));
    if (index != "<none>")
        QVERIFY(writeFileBytes(indexPath, index));

    MessageBoxCloser closer(answer);
    StderrCapture err;
    QCOMPARE(confirmVocabularyChange(dir.filePath("tags"), indexPath), runsOn);

    const bool asked = !changeLines.isEmpty();
    QCOMPARE(closer.titles, asked ? QStringList{"Vocabulary Changed"} : QStringList());
    const QString changes = changeLines.join('\n');
    if (asked) {
        QVERIFY2(closer.texts.first().startsWith("2 tags moved or vanished"),
                 qPrintable(closer.texts.first()));
        QVERIFY(closer.texts.first().contains("Label files written before this start still use "
                                              "the old cells:\n\n" +
                                              changes + "\n\n"));
        QVERIFY(QString::fromUtf8(err.text()).contains(changes));
    }
    // The old index stays where it is; the window writes the new one after this question.
    QCOMPARE(fileBytes(indexPath), index == "<none>" ? QByteArray("<missing>") : index);
    const QStringList kept = keptIndices(dir.path());
    QCOMPARE(kept.size(), asked && runsOn ? 1 : 0);
    if (!kept.isEmpty()) {
        QVERIFY2(
            QRegularExpression("^index2tag-\\d{8}-\\d{6}\\.csv$").match(kept.first()).hasMatch(),
            qPrintable(kept.first()));
        QCOMPARE(fileBytes(dir.filePath(kept.first())), oldIndex);
        // A second Continue within the same second keeps a second copy, never overwriting.
        QVERIFY(writeFileBytes(indexPath, "0,0,Other\n"));
        QVERIFY(confirmVocabularyChange(dir.filePath("tags"), indexPath));
        QCOMPARE(keptIndices(dir.path()).size(), 2);
        QVERIFY(fileBytes(dir.filePath(kept.first())) == oldIndex);
    }
}

QTEST_MAIN(TestVocabularyQuestion)
#include "test_vocabularyquestion.moc"
