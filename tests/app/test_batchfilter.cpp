#include "batchfilter.h"
#include "batchlistmodel.h"
#include "workflowfixture.h"

#include <QtTest>

// The rows the Images list shows as the operator types, and when it is laid out again.
class TestBatchFilter : public QObject
{
    Q_OBJECT

private:
    static QStringList listedNames(const BatchFilter& filter)
    {
        QStringList names;
        for (int row = 0; row < filter.rowCount(); ++row)
            names << filter.index(row, 0).data().toString();
        return names;
    }

private slots:
    void typedTextsListTheirRows_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("a longer text narrows")
            << QStringList{"room1", "room10"} << QStringList{"a.jpg", "room10.jpg"};
        QTest::newRow("a deleted letter widens")
            << QStringList{"room10", "room1"}
            << QStringList{"a.jpg", "room1.jpg", "room10.jpg", "ROOM11.jpg"};
        QTest::newRow("another text is no narrowing")
            << QStringList{"room2", "été"} << QStringList{"a.jpg", "Été.jpg"};
        QTest::newRow("case of plain letters ignored")
            << QStringList{"ROOM11"} << QStringList{"a.jpg", "ROOM11.jpg"};
        QTest::newRow("case of other letters ignored")
            << QStringList{"ÉTÉ"} << QStringList{"a.jpg", "Été.jpg"};
        QTest::newRow("the shown image stays") << QStringList{"nothing"} << QStringList{"a.jpg"};
        // '[' and '{' lie 32 apart, as 'A' and 'a' do, but are no letters.
        QTest::newRow("signs beside the letters keep their case")
            << QStringList{"[1"} << QStringList{"a.jpg"};
        QTest::newRow("cleared") << QStringList{"room", ""}
                                 << QStringList{"a.jpg",      "room1.jpg",  "room2.jpg",
                                                "room10.jpg", "ROOM11.jpg", "Été.jpg",
                                                "{1}.jpg"};
    }
    void typedTextsListTheirRows()
    {
        QFETCH(QStringList, texts);
        QFETCH(QStringList, listed);
        BatchListModel list;
        list.setBatch({"/f/a.jpg", "/f/room1.jpg", "/f/room2.jpg", "/f/room10.jpg", "/f/ROOM11.jpg",
                       "/f/Été.jpg", "/f/{1}.jpg"},
                      std::vector<bool>(7, false));
        list.setShownRow(0);
        BatchFilter filter(list);
        for (const QString& text : texts)
            filter.setText(text);
        QCOMPARE(listedNames(filter), listed);
        for (int row = 0; row < filter.rowCount(); ++row)
            QCOMPARE(filter.mapFromSource(filter.mapToSource(filter.index(row, 0))).row(), row);
        QVERIFY(!filter.index(-1, 0).isValid());
        QVERIFY(!filter.index(filter.rowCount(), 0).isValid());
        QVERIFY(!filter.index(0, 1).isValid());
        QVERIFY(!filter.index(0, 0, filter.index(0, 0)).isValid());
        QVERIFY(!filter.mapToSource(QModelIndex()).isValid());
    }

    // A new batch's label files are read, not those of the rows that stood there before.
    void newBatchIsFilteredByItsOwnLabelFiles()
    {
        QTemporaryDir dir;
        QVERIFY(writeFileBytes(dir.filePath("old.lbl"), "0\n4 1 1 9 1 9 9 1 9 \n1 0 2 \n"));
        QVERIFY(writeFileBytes(dir.filePath("new.lbl"), "0\n"));
        const QStringList oldImages = {dir.filePath("first.jpg"), dir.filePath("old.jpg")};
        const QStringList newImages = {dir.filePath("first.jpg"), dir.filePath("new.jpg")};
        BatchListModel list;
        BatchFilter filter(list);
        list.setBatch(oldImages, {false, true});
        filter.setLabelPaths(LabelPaths(oldImages));
        filter.setState(BatchFilter::State::Empty);
        QCOMPARE(filter.rowCount(), 0);
        list.setBatch(newImages, {false, true});
        filter.setLabelPaths(LabelPaths(newImages));
        QCOMPARE(listedNames(filter), QStringList{"new.jpg"});
    }

    void newLabelPathsListAgainOnlyForAFilterReadingThem()
    {
        BatchListModel list;
        list.setBatch({"/f/a.jpg", "/f/b.jpg"}, {false, false});
        BatchFilter filter(list);
        filter.setText("a");
        QSignalSpy resets(&filter, &QAbstractItemModel::modelReset);
        filter.setLabelPaths(LabelPaths({"/f/a.jpg", "/f/b.jpg"}));
        QCOMPARE(resets.size(), 0);
        filter.setState(BatchFilter::State::Empty);
        filter.setLabelPaths(LabelPaths({"/f/a.jpg", "/f/b.jpg"}));
        QCOMPARE(resets.size(), 2);
    }

    void listIsLaidOutAgainOnlyWhenRowsLeave()
    {
        BatchListModel list;
        list.setBatch({"/f/room1.jpg", "/f/room2.jpg", "/f/other.jpg"}, {false, false, false});
        BatchFilter filter(list);
        filter.setText(".");
        QSignalSpy resets(&filter, &QAbstractItemModel::modelReset);
        filter.setText(".jp");
        QCOMPARE(resets.size(), 0);
        filter.setText("room");
        QCOMPARE(resets.size(), 1);
        QCOMPARE(filter.rowCount(), 2);
    }

    void rowsLeaveAndJoinAsTheirStateChanges()
    {
        BatchListModel list;
        list.setBatch({"/f/a.jpg", "/f/b.jpg", "/f/c.jpg"}, {false, false, false});
        list.setShownRow(0);
        BatchFilter filter(list);
        filter.setState(BatchFilter::State::Unlabelled);
        list.setLabelled(1, true);
        QCOMPARE(listedNames(filter), (QStringList{"a.jpg", "c.jpg"}));
        QVERIFY(!filter.mapFromSource(list.index(1)).isValid());
        // The image on screen leaves only when the operator leaves it.
        list.setLabelled(0, true);
        QCOMPARE(listedNames(filter), (QStringList{"a.jpg", "c.jpg"}));
        list.setShownRow(2);
        QCOMPARE(listedNames(filter), (QStringList{"c.jpg"}));
        list.setLabelled(1, false);
        QCOMPARE(listedNames(filter), (QStringList{"b.jpg", "c.jpg"}));
        QCOMPARE(filter.listedRowFrom(2, -1), 1);
        QCOMPARE(filter.listedRowFrom(2, 1), -1);
        // The shown row stays, labelled, and is repainted at its place in the list.
        QSignalSpy changed(&filter, &QAbstractItemModel::dataChanged);
        list.setLabelled(2, true);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].value<QModelIndex>().row(), 1);
    }

    // "a.JPG" shares a.lbl with "a.jpg": never ticked, proposed or unlabelled work, whatever
    // was found on disk or saved later.
    void rowSharingALabelFileIsNoWork_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("all") << int(BatchFilter::State::All)
                             << QStringList{"a.jpg", "a.JPG", "b.jpg", "c.jpg"};
        QTest::newRow("unlabelled")
            << int(BatchFilter::State::Unlabelled) << QStringList{"b.jpg", "c.jpg"};
        QTest::newRow("proposed") << int(BatchFilter::State::Proposed) << QStringList{"b.jpg"};
        QTest::newRow("labelled") << int(BatchFilter::State::Labelled) << QStringList{"a.jpg"};
    }
    void rowSharingALabelFileIsNoWork()
    {
        QFETCH(int, state);
        QFETCH(QStringList, listed);
        BatchListModel list;
        list.setBatch({"/f/a.jpg", "/f/a.JPG", "/f/b.jpg", "/f/c.jpg"}, {true, true, false, false},
                      {false, true, true, false}, {false, true, false, false});
        list.setLabelled(1, true);
        QVERIFY(list.sharesLabelFile(1));
        QVERIFY(!list.sharesLabelFile(2));
        QVERIFY(!list.isLabelled(1));
        QCOMPARE(list.labelledCount(), 1);
        QCOMPARE(list.labellableCount(), 3);
        QCOMPARE(list.proposedCount(), 1);
        QCOMPARE(list.nextUnlabelledRow(0), 2);
        QCOMPARE(list.nextUnlabelledRow(2), 3);
        BatchFilter filter(list);
        filter.setState(BatchFilter::State(state));
        QCOMPARE(listedNames(filter), listed);
    }

    void newCaptionsListRowsForTheSameText()
    {
        QTemporaryDir dir;
        const QStringList images = {dir.filePath("a.jpg"), dir.filePath("b.jpg")};
        QVERIFY(writeFileBytes(dir.filePath("b.lbl"), "0\n4 1 1 9 1 9 9 1 9 \n1 0 2 \n"));
        BatchListModel list;
        list.setBatch(images, {false, true});
        list.setShownRow(0);
        BatchFilter filter(list);
        filter.setLabelPaths(LabelPaths(images));
        filter.setText("sofa");
        QCOMPARE(filter.rowCount(), 1);
        filter.setTagCaptions({{{0, 2}, "Sofa"}});
        QCOMPARE(listedNames(filter), (QStringList{"a.jpg", "b.jpg"}));
    }
};

QTEST_MAIN(TestBatchFilter)
#include "test_batchfilter.moc"
