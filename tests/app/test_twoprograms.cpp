#include "claim.h"
#include "labelpath.h"
#include "quadrotag.h"
#include "recoveryfile.h"
#include "teampaths.h"
#include "windowtest.h"
#include "workflowfixture.h"

#include <QProcess>
#include <QSysInfo>
#include <QtTest>

#include <sys/stat.h>

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

    // Where ann's program keeps her unsaved edits when the claim went to someone else.
    QString annsKeptFile(const QString& labelName) const
    {
        return pathOf(".quadrotag/kept/ann@" + QSysInfo::machineHostName() + "/" + labelName);
    }

    QString annsLog() const
    {
        return pathOf(".quadrotag/log/ann@" + QSysInfo::machineHostName() + ".log");
    }

    std::optional<RecoveryWriter> keeperOf(const QString& labelName) const
    {
        const std::optional<RecoveredState> state = RecoveryFile(pathOf(labelName), {}).read();
        return state ? state->writer : std::nullopt;
    }

    static bool setModified(const QString& path, const QDateTime& time)
    {
        QFile file(path);
        return file.open(QIODevice::ReadWrite) &&
               file.setFileTime(time, QFileDevice::FileModificationTime);
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
        // The claim refresh that runs first after a kill -CONT, then Ctrl+S.
        QTest::newRow("refresh, Ctrl+S") << "refresh";
        // bob saved and quit before ann's program ran again: the claim is free once more.
        QTest::newRow("taken over, saved and freed, then refresh") << "freed";
        // Claims in background, as the program runs them: the save and the refresh look on the
        // claim worker, and the refresh's answer comes back after a share that answered late.
        QTest::newRow("Down, claims in background") << "down in background";
        QTest::newRow("refresh on a share answering late, Ctrl+S") << "refresh in background";
    }

    void noWriteOnAnImageTakenOverWhileStopped()
    {
        QFETCH(QString, first);
        const bool inBackground = first.endsWith(" in background");
        first = first.section(' ', 0, 0);
        window->teamDesk().setClaimsInBackground(inBackground);
        openBatch(batch);
        QTRY_COMPARE(window->teamDesk().hold(), EditGate::Hold::Own);
        drawSquare(20, 20, 50);
        clickTag(0, 0);
        QVERIFY(window->isWindowModified());
        bobTakesOver(batch[0]);
        MessageBoxCloser closer(QMessageBox::Cancel);
        if (first == "save")
            pressKey(Qt::Key_S, Qt::ControlModifier);
        else if (first == "down")
            pressKey(Qt::Key_Down);
        else if (first == "close")
            window->close();
        else if (first == "freed") {
            QVERIFY(writeFileBytes(pathOf("a.lbl"), bobsState));
            QVERIFY(QFile::remove(claimPathFor(batch[0])));
            window->teamDesk().refreshNow();
            // Read again from disk; ann's edits come back over bob's file, and a save asks.
            QTRY_COMPARE(closer.titles, QStringList({"Recover"}));
            QVERIFY(window->imageSession().hasLabelFile());
            pressKey(Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(closer.titles, QStringList({"Recover", "Label File Changed"}));
            QCOMPARE(fileBytes(pathOf("a.lbl")), bobsState);
            return;
        } else {
            if (inBackground)
                stallShare();
            window->teamDesk().refreshNow();
            // Back from the refresh while the share is silent still.
            QCOMPARE(isShareStalled(), inBackground);
            shareAnswers();
            QTRY_COMPARE(window->windowTitle(), QString("Quadrotag — held by bob"));
            pressKey(Qt::Key_S, Qt::ControlModifier);
        }
        // Whatever the worker was asked to write is done before the disk is looked at.
        window->teamDesk().runAndWait([] {});
        QVERIFY2(!QFile::exists(pathOf("a.lbl")), "ann's program wrote the label file bob holds");
        QVERIFY2(!QFile::exists(annsLog()), "ann's program logged a save it did not make");
        // Nothing beside the label file: the recovery file there is bob's to write now.
        QVERIFY(!keeperOf("a.lbl").has_value());
        // ann's work is kept for her, in a file of her own that the note names.
        QVERIFY(fileBytes(annsKeptFile("a.lbl")).contains("4 20 20 70 20 70 70 20 70 \n1 0 0 \n"));
        // The operator sees where the work went, on the image it was done on.
        if (first != "close")
            QVERIFY2(status().startsWith("Held by bob since ") &&
                         status().endsWith(": read only; your unsaved changes are kept as " +
                                           annsKeptFile("a.lbl")),
                     qPrintable(status()));
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
        // bob's program was killed and gave the image back; ann takes her kept edits up.
        QTest::newRow("ann takes her kept edits up") << "retake";
    }

    void keptStateOfTheNewHolderSurvivesTheStoppedProgram()
    {
        QFETCH(QString, first);
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 0);
        // ann's first state is kept, in a recovery file of her own.
        QTRY_VERIFY(keeperOf("a.lbl").has_value());
        // One more edit, and the program stops before it is kept.
        drawSquare(120, 120, 50);
        clickTag(0, 1);
        bobTakesOver(batch[0]);
        // bob's program: Recover, Yes, then his own edits.
        RecoveryFile bobsKeeping(pathOf("a.lbl"), bobWriter);
        bobsKeeping.adopt();
        QVERIFY(bobsKeeping.write(bobsState.toStdString()));
        QVERIFY(*keeperOf("a.lbl") == bobWriter);
        if (first != "wait")
            window->teamDesk().refreshNow();
        MessageBoxCloser closer(QMessageBox::Yes);
        if (first == "retake") {
            QVERIFY(QFile::remove(claimPathFor(batch[0])));
            window->teamDesk().refreshNow();
            // Asked inside the refresh, the question would stop the refresh timer, and with it
            // the claim's touches, for as long as it stays open.
            QCOMPARE(closer.titles, QStringList());
            QTRY_COMPARE(annotation().labels.size(), std::size_t(2));
        }
        QTRY_VERIFY(!window->imageSession().isRecoveryDue());
        QCOMPARE(fileBytes(recoveryPathFor(pathOf("a.lbl"))), bobsState);
        QVERIFY(keeperOf("a.lbl").has_value());
        QVERIFY(*keeperOf("a.lbl") == bobWriter);
        // ann's last edit, never kept beside the label file, is in her own file.
        if (first != "retake")
            QVERIFY(fileBytes(annsKeptFile("a.lbl"))
                        .contains("4 120 120 170 120 170 170 120 170 \n1 0 1 \n"));
    }

    // What the claim file says when the image is entered decides, never a cached listing nor
    // the file's time against this computer's clock; a claim that can't be taken says why.
    void enteringFollowsTheClaimFileItself_data()
    {
        QTest::addColumn<QString>("claim");
        QTest::addColumn<QString>("note");
        QTest::addColumn<bool>("editableAfter121s");
        QTest::newRow("bob's, stamped by a clock 3 min behind") << "behind"
                                                                << "Held by bob since " << true;
        QTest::newRow("bob's, refreshed all along") << "refreshed"
                                                    << "Held by bob since " << false;
        QTest::newRow("of a program here that ended") << "ended"
                                                      << "" << true;
        QTest::newRow("empty, as a crash without hard links leaves")
            << "empty"
            << "its claim file can't be read or names nobody" << true;
        QTest::newRow("a folder at the claim's name")
            << "folder"
            << "a folder stands at its claim file's name" << true;
        QTest::newRow("a link that leads nowhere at the claim's name")
            << "link"
            << "its claim file is a link that leads nowhere" << true;
        QTest::newRow("a pipe at the claim's name")
            << "pipe"
            << "its claim file can't be read or names nobody" << true;
        QTest::newRow("claims folder can't be made") << "no folder"
                                                     << "its folder can't be written" << false;
        QTest::newRow("bob's on the case twin a.JPG") << "twin"
                                                      << "Held by bob since " << true;
    }

    void enteringFollowsTheClaimFileItself()
    {
        QFETCH(QString, claim);
        QFETCH(QString, note);
        QFETCH(bool, editableAfter121s);
        qint64 now = 0;
        window->teamDesk().setClock([&now] { return now; });
        Claim bob = Claim::ofThisProcess(QStringLiteral("bob"));
        bob.host = QStringLiteral("desk9");
        bob.pid = 4242;
        const QString claimFile = claimPathFor(batch[0]);
        QVERIFY(QDir().mkpath(pathOf(".quadrotag")));
        if (claim == "no folder")
            QVERIFY(writeFileBytes(pathOf(".quadrotag/claims"), "a file"));
        else {
            QVERIFY(QDir().mkpath(QFileInfo(claimFile).path()));
            if (claim == "ended") {
                QProcess ended;
                ended.start(QStringLiteral("true"), {});
                QVERIFY(ended.waitForStarted());
                bob = Claim::ofThisProcess(QStringLiteral("bob"));
                bob.pid = ended.processId();
                QVERIFY(ended.waitForFinished());
            }
            const QString file = claim == "twin" ? claimPathFor(pathOf("a.JPG")) : claimFile;
            if (claim == "folder")
                QVERIFY(QDir().mkpath(file));
            else if (claim == "pipe")
                QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
            else
                QVERIFY(claim == "link" ? QFile::link(pathOf("nowhere"), file)
                                        : writeFileBytes(file, claim == "empty" ? QByteArray()
                                                                                : bob.toBytes()));
            if (claim == "behind")
                QVERIFY(setModified(file, QDateTime::currentDateTimeUtc().addSecs(-180)));
        }
        openBatch(batch);
        QCOMPARE(window->teamDesk().hold() == EditGate::Hold::Own, note.isEmpty());
        QVERIFY2(status().contains(note), qPrintable(status()));
        // The first refreshes see the claim as it was: still not stale.
        now = 15000;
        window->teamDesk().refreshNow();
        QCOMPARE(window->teamDesk().hold() == EditGate::Hold::Own, note.isEmpty());
        if (claim == "refreshed")
            QVERIFY(setModified(claimFile, QDateTime::currentDateTimeUtc().addSecs(-60)));
        now = 121000;
        window->teamDesk().refreshNow();
        now = 136000;
        window->teamDesk().refreshNow();
        QCOMPARE(window->teamDesk().hold() == EditGate::Hold::Own, editableAfter121s);
    }
};

QTEST_MAIN(TestTwoPrograms)
#include "test_twoprograms.moc"
