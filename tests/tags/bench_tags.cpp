#include "labelviewer.h"
#include "tagfinder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <iostream>
#include <sstream>

namespace {

// 500 single tags and 300 categories of 15: 5,000 tags in all.
QByteArray largeVocabulary()
{
    QByteArray vocabulary;
    for (int category = 0; category < 300; ++category) {
        vocabulary += "Single" + QByteArray::number(category) + " 0\n";
        if (category % 3 == 0)
            vocabulary += "Extra" + QByteArray::number(category) + "(note) 0 Other" +
                          QByteArray::number(category) + " 0\n";
        vocabulary += "Category" + QByteArray::number(category) + " 15";
        for (int tag = 0; tag < 15; ++tag)
            vocabulary += " Tag" + QByteArray::number(tag) + "(x)";
        vocabulary += '\n';
    }
    return vocabulary;
}

} // namespace

class BenchTags : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void loadTags();
    void selectTags();
    void collectSelectedTags();
    void typeIntoFinder();

private:
    QTemporaryDir workDir;
    QString previousDir;
    std::ostringstream discarded;
    std::streambuf* previousCerr = nullptr;
};

void BenchTags::initTestCase()
{
    QVERIFY(workDir.isValid());
    previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workDir.path()));
    QFile file(QStringLiteral("tags"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(largeVocabulary());
    // The export reports every header and filler; that flood is not the subject.
    previousCerr = std::cerr.rdbuf(discarded.rdbuf());
}

void BenchTags::cleanupTestCase()
{
    std::cerr.rdbuf(previousCerr);
    QDir::setCurrent(previousDir);
}

void BenchTags::loadTags()
{
    QBENCHMARK
    {
        LabelViewer table(nullptr);
        QVERIFY(table.loadTags("tags"));
    }
}

namespace {

std::vector<std::pair<int, int>> everyCell(const LabelViewer& table)
{
    std::vector<std::pair<int, int>> cells;
    for (int row = 0; row < table.rowCount(); ++row)
        for (int column = 0; column < table.columnCount(); ++column)
            cells.emplace_back(row, column);
    return cells;
}

} // namespace

// Far more tags than any one shape carries: an upper bound for a change of
// the active shape.
void BenchTags::selectTags()
{
    LabelViewer table(nullptr);
    QVERIFY(table.loadTags("tags"));
    const std::vector<std::pair<int, int>> every = everyCell(table);
    QBENCHMARK_ONCE
    {
        table.selectTags(every);
    }
}

void BenchTags::collectSelectedTags()
{
    LabelViewer table(nullptr);
    QVERIFY(table.loadTags("tags"));
    table.selectTags(everyCell(table));
    std::vector<std::pair<int, int>> tags;
    QBENCHMARK_ONCE
    {
        table.collectSelectedTags(tags);
    }
    QCOMPARE(tags.size(), std::size_t(5000));
}

// Six key presses of a search on a shown table, each narrowing it and repainting, then the
// field cleared; one 60 Hz frame (16.7 ms) per key press is the goal.
void BenchTags::typeIntoFinder()
{
    LabelViewer table(nullptr);
    QVERIFY(table.loadTags("tags"));
    TagFinder finder(table);
    table.resize(600, 800);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QBENCHMARK
    {
        for (const QChar letter : QStringLiteral("tag12x")) {
            QTest::keyClick(&finder, letter.toLatin1());
            table.repaint();
        }
        finder.clear();
        table.repaint();
    }
    QTest::keyClicks(&finder, QStringLiteral("tag12("));
    QCOMPARE(finder.matches().size(), std::size_t(300));
}

QTEST_MAIN(BenchTags)
#include "bench_tags.moc"
