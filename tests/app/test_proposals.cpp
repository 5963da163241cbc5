#include "batchtest.h"
#include "labelpath.h"
#include "quadrotag.h"
#include "workflowfixture.h"

#include <QtTest>

#include <QDockWidget>
#include <QLineEdit>
#include <QListView>

// A model's proposal on the real window: shown as unsaved edits, written as a label file
// only when the reviewer accepts it, passed over beside a label file, read as far as it
// reads when damaged.
class TestProposals : public BatchTest
{
    Q_OBJECT

private slots:
    void proposalIsShownAsUnsavedEditsAndStoredOnLeaving_data()
    {
        QTest::addColumn<bool>("emptied");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("accepted unchanged with Down") << false << Qt::Key_Down << proposal;
        QTest::newRow("accepted unchanged with Ctrl+S") << false << Qt::Key_S << proposal;
        QTest::newRow("every shape deleted") << true << Qt::Key_Down << QByteArray("0\n");
    }

    void proposalIsShownAsUnsavedEditsAndStoredOnLeaving()
    {
        QFETCH(bool, emptied);
        QFETCH(Qt::Key, key);
        QFETCH(QByteArray, stored);
        writeProposal(batch[0], proposal);
        openBatch(batch);
        QVERIFY(window->isWindowModified());
        QCOMPARE(status(), QString("2 shapes proposed"));
        QCOMPARE(annotation().labels.size(), std::size_t(2));
        if (emptied)
            for (const QPoint& inside : {QPoint(30, 30), QPoint(230, 30)}) {
                QTest::mouseClick(canvas(), Qt::RightButton, {}, inside);
                pressKey(Qt::Key_Delete);
            }
        pressKey(key, key == Qt::Key_S ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(fileBytes(pathOf("a.lbl")), stored);
        QCOMPARE(fileBytes(proposalPathFor(batch[0])), proposal);
        pressKey(Qt::Key_Up);
        QCOMPARE(annotation().labels.size(), std::size_t(emptied ? 0 : 2));
        QVERIFY(!window->isWindowModified());
    }

    // A reviewer who looks at a proposal and moves on has not accepted it.
    void untouchedProposalIsWrittenOnlyWhenAccepted_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QByteArray>("stored");
        const QByteArray none = "<missing>";
        QTest::newRow("Down") << "Down" << proposal;
        QTest::newRow("Ctrl+S") << "Ctrl+S" << proposal;
        QTest::newRow("Ctrl+Down") << "Ctrl+Down" << proposal;
        QTest::newRow("Enter in the list") << "list Enter" << proposal;
        QTest::newRow("Enter in the filter") << "filter Enter" << proposal;
        QTest::newRow("Up") << "Up" << none;
        QTest::newRow("click in the list") << "list click" << none;
        QTest::newRow("Ctrl+Shift+Down") << "Ctrl+Shift+Down" << none;
        QTest::newRow("another batch") << "open" << none;
        QTest::newRow("close") << "close" << none;
        QTest::newRow("edited, Up")
            << "edit Up" << QByteArray("0\n4 200 10 260 10 260 60 200 60 \n1 0 2 \n");
    }

    void untouchedProposalIsWrittenOnlyWhenAccepted()
    {
        QFETCH(QString, way);
        QFETCH(QByteArray, stored);
        writeProposal(batch[1], proposal);
        openBatch(batch);
        pressKey(Qt::Key_Down);
        QCOMPARE(status(), QString("2 shapes proposed"));
        if (way.startsWith("edit")) {
            QTest::mouseClick(canvas(), Qt::RightButton, {}, {30, 30});
            pressKey(Qt::Key_Delete);
        }
        const QModelIndex third = imagesList()->model()->index(2, 0);
        if (way == "Down" || way.endsWith("Up")) {
            pressKey(way == "Down" ? Qt::Key_Down : Qt::Key_Up);
        } else if (way == "Ctrl+S") {
            pressKey(Qt::Key_S, Qt::ControlModifier);
        } else if (way == "Ctrl+Down") {
            pressKey(Qt::Key_Down, Qt::ControlModifier);
        } else if (way == "Ctrl+Shift+Down") {
            pressKey(Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
        } else if (way == "list Enter") {
            window->findChild<QDockWidget*>("imagesDock")->show();
            imagesList()->setCurrentIndex(third);
            QTest::keyClick(imagesList(), Qt::Key_Return);
        } else if (way == "filter Enter") {
            typeFilter("c.jpg");
            QTest::keyClick(filterField(), Qt::Key_Return);
        } else if (way == "list click") {
            clickListRow(2);
        } else if (way == "open") {
            openBatch({batch[2]});
        } else if (way == "close") {
            QVERIFY(window->close());
        }
        waitForImage();
        if (way != "Ctrl+S" && way != "close")
            QVERIFY(window->imageSession().imagePath() != batch[1]);
        QCOMPARE(fileBytes(pathOf("b.lbl")), stored);
        QCOMPARE(fileBytes(proposalPathFor(batch[1])), proposal);
        QVERIFY(!QFile::exists(pathOf(".b.lbl.recovery")));
    }

    void proposalOfAnImageWithALabelFileIsIgnored()
    {
        QVERIFY(writeFileBytes(pathOf("a.lbl"), storedLabel));
        writeProposal(batch[0], proposal);
        openBatch(batch);
        QVERIFY(!window->isWindowModified());
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), storedLabel);
    }

    void damagedProposalIsShownAsFarAsItReads()
    {
        writeProposal(batch[0], "0\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n4 200 10 x");
        openBatch(batch);
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QVERIFY(status().startsWith("1 shape proposed (the proposal file is damaged"));
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), storedLabel);
    }
};

QTEST_MAIN(TestProposals)
#include "test_proposals.moc"
