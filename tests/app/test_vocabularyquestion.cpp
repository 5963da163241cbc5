#include "earlyprojectlook.h"
#include "projecthistory.h"
#include "quadrotag.h"
#include "taglayout.h"
#include "tagnames.h"
#include "vocabularyquestion.h"
#include "workflowfixture.h"

#include <QDir>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sstream>

namespace {

const QByteArray oldIndex = "0,0,Sofa\n1,1,Material: Wood\n1,2,Material: Fabric\n"
                            "2,1,Colour: Grey\n2,2,Colour: Beige\n";

QStringList keptIndices(const QString& dir)
{
    return QDir(dir).entryList({"index2tag-*.csv"}, QDir::Files);
}

TagLayout layoutOf(const QByteArray& vocabulary)
{
    std::istringstream in(vocabulary.toStdString());
    TagLayout layout;
    layout.read(in);
    return layout;
}

// The vocabulary in folder as a start reads it beside the look for its project: for the folder
// looked at, once.
void readAsAStartDoes(const QString& folder, std::optional<VocabularyFiles>& early)
{
    EarlyProjectLook::start(folder);
    QVERIFY(!EarlyProjectLook::takeVocabulary(folder + "/tags"));
    QVERIFY(!EarlyProjectLook::takeProject(folder + "/tags"));
    QCOMPARE(EarlyProjectLook::takeProject(folder)->folder, folder);
    early = EarlyProjectLook::takeVocabulary(folder);
    QVERIFY(early && !EarlyProjectLook::takeVocabulary(folder));
    QVERIFY(!EarlyProjectLook::takeProject(folder));
}

} // namespace

// The question asked before the window writes a new tag index over an old one.
class TestVocabularyQuestion : public QObject
{
    Q_OBJECT

private slots:
    void asksOnlyWhenOldCellsChangeMeaning_data();
    void asksOnlyWhenOldCellsChangeMeaning();
    void judgesCellsByWholeName_data();
    void judgesCellsByWholeName();
    void unreadableIndexIsKeptBeforeItIsReplaced_data();
    void unreadableIndexIsKeptBeforeItIsReplaced();
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
    std::optional<VocabularyFiles> early;
    readAsAStartDoes(dir.path(), early);
    QVERIFY(early);
    // As a start makes it, while the vocabulary is read: it writes nothing before the answer.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("settings"));
    Quadrotag window(dir.path(), std::nullopt);
    QCOMPARE(confirmVocabularyChange(*early), runsOn);
    // Quit leaves the settings as they were, as when the window came after the answer.
    if (!runsOn)
        QCOMPARE(QSettings().allKeys(), QStringList());

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
    } else if (runsOn) {
        window.loadStartVocabulary(*early);
        QCOMPARE(ProjectHistory().recentProjects(), QStringList(dir.path()));
    }
}

void TestVocabularyQuestion::judgesCellsByWholeName_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("now");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QStringList>("changeLines");

    const QByteArray lamps = "Lamp(floor) 0 Lamp(table) 0 Sofa 0";
    const QByteArray swapped = "Lamp(table) 0 Lamp(floor) 0 Sofa 0";
    const QStringList swappedLines{"Lamp(floor): (0, 0) -> (0, 1)",
                                   "Lamp(table): (0, 1) -> (0, 0)"};
    QTest::newRow("notes swapped") << lamps << swapped << "written" << swappedLines;
    QTest::newRow("unchanged") << lamps << lamps << "written" << QStringList();
    // The first start after the names began to be kept can judge by captions only.
    QTest::newRow("notes swapped, no names yet") << lamps << swapped << "none" << QStringList();
    QTest::newRow("captions swapped, no names yet")
        << QByteArray("Sofa 0 Chair 0") << QByteArray("Chair 0 Sofa 0") << "none"
        << QStringList{"Sofa: (0, 0) -> (0, 1)", "Chair: (0, 1) -> (0, 0)"};
    // Another tool wrote the index since, for the vocabulary of now.
    QTest::newRow("names of another index")
        << lamps << QByteArray(swapped + " Chair 0") << "stale" << QStringList();
    QTest::newRow("note changed") << lamps << QByteArray("Lamp(desk) 0 Lamp(table) 0 Sofa 0")
                                  << "written" << QStringList{"Lamp(floor): (0, 0) -> gone"};
}

// Tags alike but for their notes are told apart by the names kept beside the index.
void TestVocabularyQuestion::judgesCellsByWholeName()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, now);
    QFETCH(QString, names);
    QFETCH(QStringList, changeLines);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString indexPath = dir.filePath("index2tag.csv");
    QVERIFY(writeFileBytes(dir.filePath("tags"), now));
    QVERIFY(TagNames::write(layoutOf(before), indexPath));
    if (names == "none")
        QVERIFY(QFile::remove(TagNames::pathFor(indexPath)));
    if (names == "stale")
        QVERIFY(TagIndex::ofLayout(layoutOf(now)).write(indexPath));
    const QByteArray index = fileBytes(indexPath);

    MessageBoxCloser closer(QStringLiteral("Quit"));
    StderrCapture err;
    QCOMPARE(confirmVocabularyChange(dir.filePath("tags"), indexPath), changeLines.isEmpty());
    QCOMPARE(closer.titles,
             changeLines.isEmpty() ? QStringList() : QStringList{"Vocabulary Changed"});
    if (!changeLines.isEmpty())
        QVERIFY2(closer.texts.first().contains("\n\n" + changeLines.join('\n') + "\n\n"),
                 qPrintable(closer.texts.first()));
    QCOMPARE(fileBytes(indexPath), index);
}

void TestVocabularyQuestion::unreadableIndexIsKeptBeforeItIsReplaced_data()
{
    QTest::addColumn<QByteArray>("index");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("runsOn");

    QTest::newRow("unreadable index") << QByteArray("not an index\n") << "Quit" << true << false;
    QTest::newRow("unreadable index, Continue")
        << QByteArray("0,0,Sofa\nnot an index\n") << "Continue" << true << true;
    QTest::newRow("blank lines and a byte-order mark")
        << QByteArray("\xEF\xBB\xBF" + oldIndex + "\r\n\n") << "Quit" << false << true;
}

// An index this start can't read could hide any change; it is never replaced unasked.
void TestVocabularyQuestion::unreadableIndexIsKeptBeforeItIsReplaced()
{
    QFETCH(QByteArray, index);
    QFETCH(QString, answer);
    QFETCH(bool, asked);
    QFETCH(bool, runsOn);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString indexPath = dir.filePath("index2tag.csv");
    QVERIFY(
        writeFileBytes(dir.filePath("tags"), "Sofa 0 Material 2 Wood Fabric Colour 2 Grey Beige"));
    QVERIFY(writeFileBytes(indexPath, index));

    MessageBoxCloser closer(answer);
    StderrCapture err;
    std::optional<VocabularyFiles> early;
    readAsAStartDoes(dir.path(), early);
    QVERIFY(early);
    QCOMPARE(confirmVocabularyChange(*early), runsOn);
    QCOMPARE(closer.titles, asked ? QStringList{"Vocabulary Changed"} : QStringList());
    if (asked)
        QVERIFY2(closer.texts.first().startsWith("index2tag.csv can't be read"),
                 qPrintable(closer.texts.first()));
    QCOMPARE(fileBytes(indexPath), index);
    const QStringList kept = keptIndices(dir.path());
    QCOMPARE(kept.size(), asked && runsOn ? 1 : 0);
    if (!kept.isEmpty())
        QCOMPARE(fileBytes(dir.filePath(kept.first())), index);
}

QTEST_MAIN(TestVocabularyQuestion)
#include "test_vocabularyquestion.moc"
