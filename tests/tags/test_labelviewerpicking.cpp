#include "labelviewertest.h"
#include "recenttagstrip.h"
#include "tagfinder.h"

#include <QSignalSpy>
#include <QTest>

// Choosing tags: clicks that toggle cells, selections set from a shape, the finder's keys
// and dimming, and the strip of recent tags.
class TestLabelViewerPicking : public LabelViewerTest
{
    Q_OBJECT

private slots:
    void clicksToggleTagCells_data();
    void clicksToggleTagCells();
    void selectsOnlyTagCells_data();
    void selectsOnlyTagCells();
    void finderKeys_data();
    void finderKeys();
    void finderDimsAllButMatches();
    void recentStripKeepsNineNewestFirst();
};

void TestLabelViewerPicking::clicksToggleTagCells_data()
{
    QTest::addColumn<TagList>("clicks");
    QTest::addColumn<TagList>("selected");

    QTest::newRow("one tag") << TagList{{0, 0}} << TagList{{0, 0}};
    QTest::newRow("row-major whatever the order")
        << TagList{{3, 1}, {2, 2}} << TagList{{2, 2}, {3, 1}};
    QTest::newRow("second click deselects") << TagList{{2, 2}, {3, 1}, {2, 2}} << TagList{{3, 1}};
    QTest::newRow("headers and fillers refuse")
        << TagList{{2, 0}, {1, 1}, {6, 5}, {4, 0}} << TagList{};
    QTest::newRow("mixed") << TagList{{6, 0}, {0, 5}, {4, 0}, {5, 5}, {0, 5}, {3, 3}}
                           << TagList{{3, 3}, {5, 5}, {6, 0}};
}

void TestLabelViewerPicking::clicksToggleTagCells()
{
    QFETCH(TagList, clicks);
    QFETCH(TagList, selected);

    const std::unique_ptr<LabelViewer> table = loadedTable(workedExample);
    QVERIFY(table);
    table->resize(900, 600);
    table->show();
    QVERIFY(QTest::qWaitForWindowExposed(table.get()));
    QSignalSpy clicked(table.get(), &QTableWidget::itemClicked);

    for (const auto& [row, column] : clicks) {
        QTableWidgetItem* cell = table->item(row, column);
        QVERIFY(cell);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualItemRect(cell).center());
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.takeFirst().at(0).value<QTableWidgetItem*>(), cell);
    }
    TagList collected{{99, 99}};
    table->collectSelectedTags(collected);
    QCOMPARE(collected, selected);
}

void TestLabelViewerPicking::selectsOnlyTagCells_data()
{
    QTest::addColumn<TagList>("tags");
    QTest::addColumn<TagList>("selected");

    QTest::newRow("no tags") << TagList{} << TagList{};
    QTest::newRow("file order") << TagList{{4, 3}, {0, 1}, {3, 3}}
                                << TagList{{0, 1}, {3, 3}, {4, 3}};
    QTest::newRow("repeated pair") << TagList{{0, 1}, {0, 1}} << TagList{{0, 1}};
    QTest::newRow("header passed over") << TagList{{2, 0}, {2, 1}} << TagList{{2, 1}};
    QTest::newRow("filler passed over") << TagList{{1, 1}, {6, 0}} << TagList{{6, 0}};
    QTest::newRow("pairs outside the table")
        << TagList{{-1, 0}, {7, 0}, {0, 6}, {0, -1}, {2000000000, 2000000000}, {0, 0}}
        << TagList{{0, 0}};
}

void TestLabelViewerPicking::selectsOnlyTagCells()
{
    QFETCH(TagList, tags);
    QFETCH(TagList, selected);

    const std::unique_ptr<LabelViewer> table = loadedTable(workedExample);
    QVERIFY(table);
    // What was selected before must not survive.
    table->selectTags({{5, 5}});
    table->selectTags(tags);
    TagList collected;
    table->collectSelectedTags(collected);
    QCOMPARE(collected, selected);
}

using KeyList = QList<int>;

void TestLabelViewerPicking::finderKeys_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<KeyList>("keys");
    QTest::addColumn<TagList>("chosen");
    QTest::addColumn<bool>("finished");

    const int enter = Qt::Key_Return;
    QTest::newRow("first match") << "u1" << KeyList{enter} << TagList{{4, 1}} << false;
    QTest::newRow("down") << "u1" << KeyList{Qt::Key_Down, Qt::Key_Enter} << TagList{{5, 5}}
                          << false;
    QTest::newRow("down stops at the last")
        << "u1" << KeyList{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, enter} << TagList{{5, 5}}
        << false;
    QTest::newRow("up stops at the first")
        << "u1" << KeyList{Qt::Key_Down, Qt::Key_Up, Qt::Key_Up, enter} << TagList{{4, 1}} << false;
    QTest::newRow("esc") << "u1" << KeyList{Qt::Key_Escape, enter} << TagList{} << true;
    QTest::newRow("enter without a match") << "zz" << KeyList{enter} << TagList{} << false;
}

void TestLabelViewerPicking::finderKeys()
{
    QFETCH(QString, typed);
    QFETCH(KeyList, keys);
    QFETCH(TagList, chosen);
    QFETCH(bool, finished);

    const std::unique_ptr<LabelViewer> table = loadedTable(workedExample);
    QVERIFY(table);
    TagFinder finder(*table);
    QSignalSpy chosenSpy(&finder, &TagFinder::sglTagChosen);
    QSignalSpy finishedSpy(&finder, &TagFinder::sglFinished);
    QTest::keyClicks(&finder, typed);
    for (const int key : keys)
        QTest::keyClick(&finder, Qt::Key(key));

    TagList emitted;
    for (const QList<QVariant>& arguments : chosenSpy)
        emitted.emplace_back(arguments.at(0).toInt(), arguments.at(1).toInt());
    QCOMPARE(emitted, chosen);
    QCOMPARE(finishedSpy.count(), finished ? 1 : 0);
    QCOMPARE(finder.text(), finished ? QString() : typed);
    QCOMPARE(table->isDimmed(0, 0), !finished);
}

void TestLabelViewerPicking::finderDimsAllButMatches()
{
    const std::unique_ptr<LabelViewer> table = loadedTable(workedExample);
    QVERIFY(table);
    table->selectTags({{0, 0}});
    TagFinder finder(*table);
    QTest::keyClicks(&finder, QStringLiteral("U1"));
    // Dimmed letters are painted dimmed, not in the dark letters of the other cells.
    table->show();
    QVERIFY(QTest::qWaitForWindowExposed(table.get()));
    const QImage shown = table->viewport()->grab().toImage();
    QVERIFY(table->isDimmed(0, 1));
    const QRect inside = table->visualItemRect(table->item(0, 1)).adjusted(2, 2, -2, -2);
    int darkest = 255;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            darkest = std::min(darkest, shown.pixelColor(x, y).lightness());
    QVERIFY2(darkest >= 150, qPrintable(QString::number(darkest)));
    QStringList bright;
    for (int row = 0; row < table->rowCount(); ++row)
        for (int column = 0; column < table->columnCount(); ++column)
            if (!table->isDimmed(row, column))
                bright << table->item(row, column)->text();
    QCOMPARE(bright, QStringList({"U1", "U10"}));
    QVERIFY(table->item(4, 1)->font().bold());
    QVERIFY(!table->item(5, 5)->font().bold());
    // Searching leaves the tags of the active shape selected.
    TagList selected;
    table->collectSelectedTags(selected);
    QCOMPARE(selected, TagList({{0, 0}}));

    finder.clear();
    QVERIFY(!table->isDimmed(2, 2));
    QVERIFY(!table->item(4, 1)->font().bold());
    QCOMPARE(table->item(2, 2)->foreground().style(), Qt::NoBrush);
}

void TestLabelViewerPicking::recentStripKeepsNineNewestFirst()
{
    const std::unique_ptr<LabelViewer> table = loadedTable(workedExample);
    QVERIFY(table);
    RecentTagStrip strip(*table);
    strip.noteTurnedOn({{0, 0}, {2, 2}});
    QCOMPARE(strip.text(), QString("1 K: T2  2 S1"));
    strip.noteTurnedOn({{0, 0}});
    QCOMPARE(strip.text(), QString("1 S1  2 K: T2"));
    QCOMPARE(strip.tagOfKey(2), std::make_optional(std::pair<int, int>(2, 2)));
    QCOMPARE(strip.tagOfKey(3), std::nullopt);
    for (int column = 1; column <= 5; ++column)
        strip.noteTurnedOn({{4, column}, {5, column}});
    QCOMPARE(strip.tags().size(), std::size_t(9));
    QCOMPARE(strip.tagOfKey(1), std::make_optional(std::pair<int, int>(5, 5)));
    QCOMPARE(strip.tagOfKey(9), std::make_optional(std::pair<int, int>(5, 1)));
}

QTEST_MAIN(TestLabelViewerPicking)
#include "test_labelviewerpicking.moc"
