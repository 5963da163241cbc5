#include "claim.h"
#include "labelpath.h"
#include "quadrotag.h"
#include "recoveryfile.h"
#include "teampaths.h"
#include "windowtest.h"
#include "workflowfixture.h"

#include <QtTest>

// Two programs on one folder, ann's window here and bob's program written by hand: ann's
// program was stopped (a suspended laptop, kill -STOP) long enough for its claim to go stale,
// bob took the image over, and ann's program runs again before its next claim refresh.
class TestTwoPrograms : public WindowTest
{
    Q_OBJECT

private:
    // What bob's program keeps unsaved for a.jpg.
    static inline const QByteArray bobsState = "5\n4 100 100 200 100 200 200 100 200 \n1 0 2 \n";
    const RecoveryWriter bobWriter{QStringLiteral("bob"), QStringLiteral("desk9"), 4242};

    // bob's program, on another computer and alive as long as the test, took this image over
    // once ann's claim had not been renewed for two minutes: it removed the stale claim and
    // made its own.
    void bobTakesOver(const QString& imagePath)
    {
        Claim claim = Claim::ofThisProcess(QStringLiteral("bob"));
        claim.host = QStringLiteral("desk9");
        claim.pid = 4242;
        QVERIFY(QFile::remove(claimPathFor(imagePath)));
        QVERIFY(writeFileBytes(claimPathFor(imagePath), claim.toBytes()));
    }

    std::optional<RecoveryWriter> keeperOf(const QString& labelName) const
    {
        const std::optional<RecoveredState> state = RecoveryFile(pathOf(labelName), {}).read();
        return state ? state->writer : std::nullopt;
    }

private slots:
    void initTestCase() { qputenv("QUADROTAG_OPERATOR", "ann"); }

    // The image is bob's now: whatever ann's program does first when it runs again, it must
    // not write the label file of an image whose claim it no longer holds.
    void noWriteOnAnImageTakenOverWhileStopped_data()
    {
        QTest::addColumn<QString>("first");
        QTest::newRow("Ctrl+S") << "save";
        QTest::newRow("Down") << "down";
        QTest::newRow("close") << "close";
    }

    void noWriteOnAnImageTakenOverWhileStopped()
    {
        QFETCH(QString, first);
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 0);
        QVERIFY(window->isWindowModified());
        bobTakesOver(batch[0]);
        MessageBoxCloser closer(QMessageBox::Cancel);
        if (first == "save")
            pressKey(Qt::Key_S, Qt::ControlModifier);
        else if (first == "down")
            pressKey(Qt::Key_Down);
        else
            window->close();
        QVERIFY2(!QFile::exists(pathOf("a.lbl")), "ann's program wrote the label file bob holds");
        // ann's work is kept for her, named as hers.
        QVERIFY(keeperOf("a.lbl").has_value());
        QCOMPARE(keeperOf("a.lbl")->operatorName, QString("ann"));
    }

    // bob took ann's kept work up as his own (Recover, Yes) and went on editing it; his
    // program keeps his unsaved state in the recovery file, named as his. ann's program, which
    // had an edit not yet kept when it stopped, must not write over bob's state when it runs
    // again: bob's program, which believes the file its own, would not write it back, and a
    // crash of bob's program would then offer him ann's state, by her name, for his work.
    void keptStateOfTheNewHolderSurvivesTheStoppedProgram_data()
    {
        QTest::addColumn<QString>("first");
        QTest::newRow("pending keep fires") << "wait";
        QTest::newRow("claim refresh") << "refresh";
    }

    void keptStateOfTheNewHolderSurvivesTheStoppedProgram()
    {
        QFETCH(QString, first);
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 0);
        // ann's first state is kept, in a recovery file of her own.
        QTest::qWait(800);
        QVERIFY(keeperOf("a.lbl").has_value());
        // One more edit, and the program stops before it is kept.
        drawSquare(120, 120, 50);
        clickTag(0, 1);
        bobTakesOver(batch[0]);
        // bob's program: Recover, Yes, then his own edits.
        RecoveryFile bobsKeeping(pathOf("a.lbl"), bobWriter);
        bobsKeeping.adopt();
        QVERIFY(bobsKeeping.write(bobsState.toStdString()));
        QVERIFY(*keeperOf("a.lbl") == bobWriter);
        if (first == "refresh")
            window->teamDesk().refreshNow();
        QTest::qWait(800);
        QCOMPARE(fileBytes(recoveryPathFor(pathOf("a.lbl"))), bobsState);
        QVERIFY(keeperOf("a.lbl").has_value());
        QVERIFY(*keeperOf("a.lbl") == bobWriter);
    }
};

QTEST_MAIN(TestTwoPrograms)
#include "test_twoprograms.moc"
