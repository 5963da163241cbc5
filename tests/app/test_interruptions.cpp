#include "claim.h"
#include "editingtest.h"
#include "labelpath.h"
#include "quadrotag.h"
#include "recoveryfile.h"
#include "reviewfile.h"
#include "teampaths.h"
#include "workflowfixture.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QSysInfo>
#include <QtTest>

// Faults found from outside: ways in which one operator, or two programs on one folder,
// lose or change an annotation that the gate or the visit should have kept.
class TestInterruptions : public EditingTest
{
    Q_OBJECT

private:
    static inline const QByteArray original = "2\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n";
    // What bob's program kept unsaved for a.jpg.
    static inline const QByteArray bobsState = "5\n4 100 100 200 100 200 200 100 200 \n1 0 2 \n";

    const RecoveryWriter bobWriter{QStringLiteral("bob"), QStringLiteral("desk9"), 4242};

    QString recoveryOf(const QString& labelName) const
    {
        return recoveryPathFor(pathOf(labelName));
    }

    std::optional<RecoveryWriter> keeperOf(const QString& labelName) const
    {
        const std::optional<RecoveredState> state = RecoveryFile(pathOf(labelName), {}).read();
        return state ? state->writer : std::nullopt;
    }

    // bob's program, alive as long as the test, holds this image.
    void bobTakes(const QString& imagePath)
    {
        Claim claim = Claim::ofThisProcess(QStringLiteral("bob"));
        claim.pid = 1;
        QDir().mkpath(QFileInfo(claimPathFor(imagePath)).path());
        QVERIFY(writeFileBytes(claimPathFor(imagePath), claim.toBytes()));
    }

private slots:
    void initTestCase() { qputenv("QUADROTAG_OPERATOR", "ann"); }

    // bob's kept work, declined by ann, is "left for them": whatever ann does on the image
    // afterwards, bob's bytes stay in the recovery file, still named as his.
    void declinedWorkOfAnotherOperatorSurvivesTheOperatorsEdits_data()
    {
        QTest::addColumn<QString>("then");
        QTest::newRow("edit, wait") << "wait";
        QTest::newRow("edit, Down") << "down";
        QTest::newRow("edit, Ctrl+S") << "save";
        QTest::newRow("edit, undo") << "undo";
        QTest::newRow("edit, close") << "close";
    }

    void declinedWorkOfAnotherOperatorSurvivesTheOperatorsEdits()
    {
        QFETCH(QString, then);
        QVERIFY(RecoveryFile(pathOf("a.lbl"), bobWriter).write(bobsState.toStdString()));
        {
            MessageBoxCloser closer(QMessageBox::No);
            openBatch(batch);
            QCOMPARE(closer.titles, QStringList({"Recover"}));
        }
        QCOMPARE(fileBytes(recoveryOf("a.lbl")), bobsState);
        drawSquare(20, 20, 50);
        clickTag(0, 0);
        // The operator's own recovery file would have been written by now.
        QTRY_VERIFY(!window->imageSession().isRecoveryDue());
        if (then == "down")
            pressKey(Qt::Key_Down);
        else if (then == "save")
            pressKey(Qt::Key_S, Qt::ControlModifier);
        else if (then == "undo") {
            window->slotUndo();
            window->slotUndo();
        } else if (then == "close")
            window->close();
        QCOMPARE(fileBytes(recoveryOf("a.lbl")), bobsState);
        QVERIFY(keeperOf("a.lbl").has_value());
        QVERIFY(*keeperOf("a.lbl") == bobWriter);
    }

    // A drag that the gate stops half way (the shapes hidden with H while the right button is
    // held, or the claim lost to bob) is refused as a whole: the shape is where it was, the
    // history and the title agree with the annotation, and the next edit is not swallowed.
    void dragStoppedHalfWayIsRefusedWhole_data()
    {
        QTest::addColumn<QString>("stop");
        QTest::newRow("shapes hidden") << "hide";
        QTest::newRow("claim lost") << "lost";
    }

    void dragStoppedHalfWayIsRefusedWhole()
    {
        QFETCH(QString, stop);
        QVERIFY(writeFileBytes(pathOf("a.lbl"), original));
        openBatch(batch);
        const ImageAnnotation before = annotation();
        const int steps = window->editHistory().count();
        const QPoint onShape(30, 30);
        QTest::mousePress(canvas(), Qt::RightButton, {}, onShape);
        for (int step = 1; step <= 5; ++step)
            QTest::mouseMove(canvas(), onShape + QPoint(step * 4, step));
        if (stop == "hide")
            QTest::keyClick(canvas(), Qt::Key_H);
        else {
            bobTakes(batch[0]);
            window->teamDesk().refreshNow();
        }
        for (int step = 6; step <= 10; ++step)
            QTest::mouseMove(canvas(), onShape + QPoint(step * 4, step));
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, onShape + QPoint(40, 10));
        if (stop == "hide")
            QTest::keyClick(canvas(), Qt::Key_H);
        QCOMPARE(window->editHistory().count(), steps);
        QCOMPARE(annotation(), before);
        QCOMPARE(window->isWindowModified(), false);
    }

    // The title said nothing was unsaved after the drag that H stopped; leaving the image must
    // then not write the shape where the refused drag left it.
    void dragStoppedByHidingIsNotWrittenOnLeaving()
    {
        QVERIFY(writeFileBytes(pathOf("a.lbl"), original));
        openBatch(batch);
        const QPoint onShape(30, 30);
        QTest::mousePress(canvas(), Qt::RightButton, {}, onShape);
        for (int step = 1; step <= 5; ++step)
            QTest::mouseMove(canvas(), onShape + QPoint(step * 4, step));
        QTest::keyClick(canvas(), Qt::Key_H);
        QTest::mouseMove(canvas(), onShape + QPoint(24, 6));
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, onShape + QPoint(24, 6));
        QCOMPARE(window->isWindowModified(), false);
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), original);
    }

    // After a drag that H stopped, the shape is still the active one, and Del deletes it.
    void activeShapeCanBeDeletedAfterADragStoppedByHiding()
    {
        QVERIFY(writeFileBytes(pathOf("a.lbl"), original));
        openBatch(batch);
        const QPoint onShape(30, 30);
        QTest::mousePress(canvas(), Qt::RightButton, {}, onShape);
        QTest::mouseMove(canvas(), onShape + QPoint(4, 1));
        QTest::keyClick(canvas(), Qt::Key_H);
        QTest::mouseMove(canvas(), onShape + QPoint(8, 2));
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, onShape + QPoint(8, 2));
        QTest::keyClick(canvas(), Qt::Key_H);
        QCOMPARE(canvas()->currentActiveShape(), 0);
        pressKey(Qt::Key_Delete);
        QCOMPARE(annotation().labels.size(), std::size_t(0));
    }

    // ann's claim on b.jpg is lost with unsaved edits; bob, who took it over, saves his own
    // shapes and leaves. When ann takes her kept work up again, it was made on the file as it
    // was before bob's save: writing it must not replace bob's file without the question that
    // a label file changed by someone else always brings.
    void keptWorkDoesNotOverwriteWhatTheNewHolderSaved_data()
    {
        QTest::addColumn<bool>("stay");
        QTest::addColumn<QByteArray>("damage");
        QTest::newRow("stays on the image") << true << QByteArray();
        QTest::newRow("goes away and back") << false << QByteArray();
        // What can't be read whole is neither offered nor given up.
        QTest::newRow("its kept file cut short") << false << QByteArray("1\n4 200 20 250");
    }

    void keptWorkDoesNotOverwriteWhatTheNewHolderSaved()
    {
        QFETCH(bool, stay);
        QFETCH(QByteArray, damage);
        QVERIFY(writeFileBytes(pathOf("b.lbl"), original));
        openBatch(batch);
        pressKey(Qt::Key_Down);
        drawSquare(200, 20, 50);
        clickTag(0, 0);
        bobTakes(batch[1]);
        window->teamDesk().refreshNow();
        QVERIFY2(status().startsWith("Held by bob since ") &&
                     status().contains(": read only; your unsaved changes are kept as "),
                 qPrintable(status()));
        const QString kept = status().section(" are kept as ", 1);
        if (!stay)
            pressKey(Qt::Key_Down);
        if (!damage.isNull())
            QVERIFY(writeFileBytes(kept, damage));
        // bob's program saves his work and gives the image up.
        const QByteArray bobs = "3\n4 300 200 380 200 380 280 300 280 \n1 0 4 \n";
        QVERIFY(writeFileBytes(pathOf("b.lbl"), bobs));
        QVERIFY(QFile::remove(claimPathFor(batch[1])));
        MessageBoxCloser closer(QMessageBox::Yes);
        if (stay)
            window->teamDesk().refreshNow();
        else
            pressKey(Qt::Key_Up);
        if (!damage.isNull()) {
            QTRY_VERIFY2(status().contains("can't be read"), qPrintable(status()));
            QCOMPARE(closer.titles, QStringList());
            QCOMPARE(fileBytes(kept), damage);
            return;
        }
        QTRY_COMPARE(closer.titles, QStringList({"Recover"}));
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(closer.titles, QStringList({"Recover", "Label File Changed"}));
        QCOMPARE(fileBytes(pathOf("b.lbl")), bobs);
    }

    // A project switch closes the batch: nothing of the old image stays on screen, its
    // review and the notes pinned on it included.
    // Nor does the status bar go on naming the old image as the one on screen.
    void projectSwitchLeavesNoPositionOfTheOldBatch()
    {
        openBatch(batch);
        QCOMPARE(status(), "1/3  " + batch[0]);
        QVERIFY(QDir().mkpath(pathOf("other")));
        QVERIFY(writeFileBytes(pathOf("other/tags"), testVocabulary));
        QVERIFY(window->openProject(pathOf("other")));
        waitForImage();
        QVERIFY2(!status().contains(batch[0]), qPrintable(status()));
    }

    void projectSwitchLeavesNoReviewOfTheOldImageOnScreen()
    {
        QVERIFY(writeFileBytes(pathOf("a.lbl"), original));
        Review review;
        review.verdict = Review::Verdict::Rejected;
        review.reviewer = QStringLiteral("mei");
        review.at = QDateTime::currentDateTimeUtc();
        review.labelDigest = QCryptographicHash::hash(original, QCryptographicHash::Sha256).toHex();
        review.notes = {ReviewNote{QPoint(30, 30), QStringLiteral("Frame not outlined")}};
        review.comment = QStringLiteral("Fix the frame");
        QVERIFY(QDir().mkpath(QFileInfo(reviewPathFor(batch[0])).path()));
        QVERIFY(writeReview(review, reviewPathFor(batch[0])));
        openBatch(batch);
        auto* notes = window->findChild<QWidget*>("reviewNotes");
        QVERIFY(notes);
        QVERIFY(notes->isVisible());
        QVERIFY(QDir().mkpath(pathOf("other")));
        QVERIFY(writeFileBytes(pathOf("other/tags"), testVocabulary));
        QVERIFY(window->openProject(pathOf("other")));
        waitForImage();
        QVERIFY(!notes->isVisible());
    }
};

QTEST_MAIN(TestInterruptions)
#include "test_interruptions.moc"
