#include "imagesession.h"
#include "labelfile.h"

#include <QProcess>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QByteArray otherRunsState = "7\n";
const RecoveryWriter annAtDesk1{"ann", "desk1", 42};
// What a save writes for one taggedSquare(10) alone.
const QByteArray squareBytes = "0\n4 10 10 60 10 60 60 10 60 \n1 0 1 \n";

Label taggedSquare(int left)
{
    Label shape;
    shape.points = {{left, 10}, {left + 50, 10}, {left + 50, 60}, {left, 60}};
    shape.tags = {{0, 1}};
    return shape;
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

void writeContents(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Plays the operator's steps, one word each, on the session.
void play(ImageSession& session, const QString& steps)
{
    for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
        const ImageAnnotation& now = session.annotation();
        if (step == "tagged") {
            session.record(AnnotationChange::shapeAdded(now, taggedSquare(10), -1));
        } else if (step == "untagged") {
            Label shape = taggedSquare(100);
            shape.tags.clear();
            session.record(AnnotationChange::shapeAdded(now, shape, -1));
        } else if (step.startsWith("style")) {
            session.record(AnnotationChange::styleChanged(now, step.mid(5).toInt(), -1));
        } else if (step == "delete") {
            session.record(AnnotationChange::shapeDeleted(now, 0));
        } else if (step == "save") {
            QVERIFY(session.save());
        } else if (step == "undo") {
            session.undo();
        } else if (step == "redo") {
            session.redo();
        } else if (step == "reload") {
            session.reload();
        } else if (step == "propose") {
            ImageAnnotation proposal;
            proposal.labels = {taggedSquare(10)};
            session.propose(proposal);
        } else if (step == "recover") {
            const std::optional<RecoveredState> recovered = session.takeRecoveredState();
            QVERIFY(recovered);
            session.restore(recovered->annotation);
        } else if (step == "decline") {
            session.discardRecovery();
        } else if (step == "kept") {
            QTRY_COMPARE_WITH_TIMEOUT(
                contentsOf(session.recoveryPath()),
                QByteArray::fromStdString(labelFileContents(session.annotation())), 1000);
        } else if (step == "overwritten") {
            writeContents(session.recoveryPath(), otherRunsState);
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }
}

} // namespace

class TestImageSession : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString labelPath() const { return dir.filePath("room.lbl"); }
    QString recoveryPath() const { return dir.filePath(".room.lbl.recovery"); }

private slots:
    void init()
    {
        QFile::remove(labelPath());
        QFile::remove(recoveryPath());
        QFile::remove(recoveryPath() + ".writer");
    }

    // Leaving writes exactly when the bytes of a save differ from the file as last read
    // or written; the recovery file holds the unsaved state meanwhile.
    void leavingWritesOnlyWhatChanged_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("needsSaving");
        QTest::addColumn<QByteArray>("after");
        const QByteArray none = "<none>";
        const QByteArray& shape = squareBytes;
        const auto row = [](const char* name, const QByteArray& before, const char* steps,
                            bool needsSaving, const QByteArray& after) {
            QTest::newRow(name) << before << QString(steps) << needsSaving << after;
        };
        row("tagged, saved, deleted", none, "tagged save delete", true, "0\n");
        row("tagged, saved, undone", none, "tagged save undo", true, "0\n");
        // The recovery file removed on the way back must be written again on the way forth.
        row("tagged, undone, redone", none, "tagged undo redo", true, shape);
        row("tagged, kept, undone, redone", none, "tagged kept undo redo", true, shape);
        row("style-only file, other style", "5", "style3", true, "3\n");
        row("untagged shape, no file", none, "untagged", false, none);
        row("style None, no file", none, "style4 style0", false, none);
        row("tagged, no file", none, "tagged", true, shape);
        row("hand-made layout, viewed", "0 4 10 10 60 10\n60 60 10 60 1 0 1", "", false,
            "0 4 10 10 60 10\n60 60 10 60 1 0 1");
        row("edited, undone", shape, "delete undo", false, shape);
        row("saved, edited back", shape, "style2 save style0", true, shape);
    }

    void leavingWritesOnlyWhatChanged()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, steps);
        QFETCH(bool, needsSaving);
        QFETCH(QByteArray, after);
        if (before != "<none>")
            writeContents(labelPath(), before);
        ImageSession session;
        QSignalSpy modified(&session, &ImageSession::modifiedChanged);
        session.open(dir.filePath("room.jpg"), labelPath());
        play(session, steps);

        QCOMPARE(session.needsSaving(), needsSaving);
        QCOMPARE(modified.isEmpty() ? false : modified.last().at(0).toBool(), needsSaving);
        QTRY_COMPARE_WITH_TIMEOUT(QFile::exists(recoveryPath()), needsSaving, 1000);
        if (session.needsSaving())
            QVERIFY(session.save());
        else
            session.leave();
        QCOMPARE(contentsOf(labelPath()), after);
        QVERIFY(!QFile::exists(recoveryPath()));
    }

    // A save's write may stall on a share for minutes: once its bytes are flushed, they
    // replace the label file only if the claim still holds and the file is as it was; a quick
    // write trusts what was asked beside it. The save
    // of leaving looks at the label file once: where its size and time prove it as read, that
    // look stands for the write's own, and the file keeps its permission bits.
    void saveLandsOnlyOnTheFileItStartedFrom_data()
    {
        QTest::addColumn<bool>("claimLost");
        QTest::addColumn<bool>("bobSaves");
        // The caller found the file as read just before (the claim then confirmed only after
        // the flush); the file was there, dated a minute back, so its attributes prove it.
        QTest::addColumn<bool>("checkedUnchanged");
        QTest::addColumn<bool>("settledFile");
        // The save of leaving, over a file of "5\n" and these bytes written before it looks.
        QTest::addColumn<bool>("leaving");
        QTest::addColumn<QByteArray>("meanwhile");
        // The write ends within the stall bound; the file is reached through a link.
        QTest::addColumn<bool>("quick");
        QTest::addColumn<bool>("throughLink");
        const QByteArray none;
        QTest::newRow("taken over, saved by bob")
            << true << true << false << false << false << none << false << false;
        QTest::newRow("saved by bob, the claim free again")
            << false << true << false << false << false << none << false << false;
        QTest::newRow("checked: taken over, nothing saved yet")
            << true << false << true << false << false << none << false << false;
        QTest::newRow("checked: saved by bob")
            << false << true << true << false << false << none << false << false;
        QTest::newRow("checked: bob's bytes of the same size over a settled file")
            << false << true << true << true << false << none << false << false;
        QTest::newRow("quick, checked: taken over")
            << true << false << true << false << false << none << true << false;
        QTest::newRow("quick, checked: saved by bob")
            << false << true << true << false << false << none << true << false;
        QTest::newRow("leaving: settled, unchanged")
            << false << false << false << true << true << none << false << false;
        QTest::newRow("leaving: settled, through a link")
            << false << false << false << true << true << none << false << true;
        // Confirmed as read: the look that proves it is what the write keeps, every bit of it.
        QTest::newRow("leaving: confirmed, set-group-id kept")
            << false << false << false << true << true << none << false << false;
        // Another image's label file, or no label file at all: never written through.
        QTest::newRow("unchecked: a link to a file beside it put in its place")
            << false << false << false << true << false << none << false << false;
        QTest::newRow("unchecked: a chain beside it into a store put in its place")
            << false << false << false << true << false << none << false << false;
        QTest::newRow("leaving: confirmed, a FIFO put where no file was")
            << false << false << false << false << true << none << false << false;
        QTest::newRow("leaving: settled, rewritten by bob")
            << false << true << false << true << true << otherRunsState << false << false;
        // Its time proves nothing so soon: its bytes are compared.
        QTest::newRow("leaving: just written, the same bytes again")
            << false << false << false << false << true << QByteArray("5\n") << false << false;
    }
    void saveLandsOnlyOnTheFileItStartedFrom()
    {
        QFETCH(bool, claimLost);
        QFETCH(bool, bobSaves);
        QFETCH(bool, checkedUnchanged);
        QFETCH(bool, settledFile);
        QFETCH(bool, leaving);
        QFETCH(QByteArray, meanwhile);
        QFETCH(bool, quick);
        QFETCH(bool, throughLink);
        // Kept in a store of label files elsewhere: the image's own, written through.
        QVERIFY(QDir().mkpath(dir.filePath("store")));
        if (throughLink)
            QVERIFY(QFile::link(dir.filePath("store/linked.lbl"), labelPath()));
        const QByteArray before = settledFile || leaving ? "5\n" : "<none>";
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        if (before != "<none>") {
            writeContents(labelPath(), before);
            QFile file(labelPath());
            QVERIFY(file.setPermissions(mode));
            if (settledFile)
                QVERIFY(file.open(QIODevice::ReadWrite) &&
                        file.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                         QFileDevice::FileModificationTime));
        }
        const QByteArray tag(QTest::currentDataTag());
        const QByteArray path = QFile::encodeName(labelPath());
        if (tag.contains("set-group-id"))
            QCOMPARE(::chmod(path.constData(), 02640), 0);
        if (tag.contains("FIFO"))
            QVERIFY(QFile::remove(labelPath()));
        ImageSession session;
        session.open(dir.filePath("room.jpg"), labelPath());
        play(session, "tagged");
        if (tag.contains("confirmed")) {
            LabelFileSnapshot confirmed = session.labelFileOnDisk();
            confirmed.confirmed = true;
            session.takeLaterReading(confirmed);
        }
        struct stat status = {};
        if (tag.contains("beside")) {
            // Through a chain, the link beside it leads on into a store.
            const bool chain = tag.contains("chain");
            const QString sibling = dir.filePath("sibling.lbl");
            const QString target = chain ? dir.filePath("store/s.lbl") : sibling;
            writeContents(target, "9\n");
            QVERIFY(!chain || QFile::link(target, sibling));
            QVERIFY(QFile::remove(labelPath()) && QFile::link(sibling, labelPath()));
            QVERIFY(!session.save(false));
            QCOMPARE(contentsOf(target), QByteArray("9\n"));
            for (const QString& file : {labelPath(), sibling, target})
                QFile::remove(file);
            return;
        }
        if (tag.contains("FIFO")) {
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
            QCOMPARE(session.saveUnlessChanged(), ImageSession::Saving::Failed);
            QVERIFY(::stat(path.constData(), &status) == 0 && S_ISFIFO(status.st_mode));
            return;
        }
        if (leaving) {
            if (!meanwhile.isEmpty())
                writeContents(labelPath(), meanwhile);
            QCOMPARE(session.saveUnlessChanged(),
                     bobSaves ? ImageSession::Saving::ChangedOnDisk : ImageSession::Saving::Saved);
            QCOMPARE(contentsOf(labelPath()), bobSaves ? meanwhile : "5" + squareBytes.mid(1));
            QCOMPARE(QFile::permissions(labelPath()) & QFileDevice::Permissions(0x7077), mode);
            QVERIFY(::stat(path.constData(), &status) == 0);
            QCOMPARE(status.st_mode & 07000, tag.contains("set-group-id") ? 02000u : 0u);
            QCOMPARE(QFileInfo(labelPath()).isSymLink(), throughLink);
            QFile::remove(dir.filePath("store/linked.lbl"));
            return;
        }
        if (!quick)
            session.setStalledAfter(std::chrono::milliseconds(0));
        session.setClaimCheck([&] {
            if (!quick &&
                QDir(dir.path()).entryList({".*.tmp"}, QDir::Files | QDir::Hidden).isEmpty())
                return true;
            if (bobSaves)
                writeContents(labelPath(), otherRunsState);
            return !claimLost;
        });
        QSignalSpy withheld(&session, &ImageSession::saveWithheld);
        QVERIFY(!session.save(checkedUnchanged));
        QCOMPARE(withheld.count(), 1);
        QCOMPARE(contentsOf(labelPath()), bobSaves ? otherRunsState : before);
    }

    void outsideChangeIsNoticedUntilSaved()
    {
        writeContents(labelPath(), "2\n");
        ImageSession session;
        session.open(dir.filePath("room.jpg"), labelPath());
        play(session, "tagged");
        QVERIFY(!session.changedOnDisk());
        writeContents(labelPath(), "7\n");
        QVERIFY(session.changedOnDisk());
        QCOMPARE(session.reload(), ImageSession::Reading::Read);
        QCOMPARE(session.annotation().styleIndex, 7);
        QVERIFY(!session.needsSaving() && !session.changedOnDisk());
        QFile::remove(labelPath());
        QVERIFY(session.changedOnDisk());
    }

    // Also for a label file whose name is too long to stand in its recovery file's.
    void killedSessionsEditIsRecovered_data()
    {
        QTest::addColumn<QString>("stem");
        QTest::newRow("room") << "room";
        QTest::newRow("250-byte label file name") << QString(246, 'r');
    }

    void killedSessionsEditIsRecovered()
    {
        QFETCH(QString, stem);
        const QString labelPath = dir.filePath(stem + ".lbl");
        writeContents(labelPath, "4\n");
        QProcess child;
        child.start(RECOVERY_CHILD, {labelPath});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(10000));
        QCOMPARE(child.readLine().trimmed(), QByteArray("kept"));
        child.kill();
        QVERIFY(child.waitForFinished());
        QCOMPARE(contentsOf(labelPath), QByteArray("4\n"));

        ImageSession session;
        session.open(dir.filePath(stem + ".jpg"), labelPath);
        std::optional<RecoveredState> recovered = session.takeRecoveredState();
        QVERIFY(recovered);
        session.restore(recovered->annotation);
        QVERIFY(session.needsSaving());
        QVERIFY(session.save());
        QCOMPARE(contentsOf(labelPath), QByteArray("4\n4 10 10 90 10 90 70 10 70 \n2 1 2 0 3 \n"));
        QVERIFY(!QFile::exists(session.recoveryPath()));
        QCOMPARE(QDir(dir.path()).entryList({"*.tmp", ".*.recovery*"}, QDir::Files | QDir::Hidden),
                 QStringList());
        session.undo();
        QCOMPARE(session.annotation().labels.size(), std::size_t(0));
        session.leave();
        QFile::remove(labelPath);
    }

    // Only a recovery file that holds something new is offered: one differing from the label
    // file, or from the proposal that would be shown. None is removed for holding nothing.
    void recoveryIsOfferedWhenItHoldsSomethingNew_data()
    {
        QTest::addColumn<QByteArray>("label");
        QTest::addColumn<QByteArray>("recovery");
        QTest::addColumn<bool>("withProposal");
        QTest::addColumn<bool>("offered");
        const QByteArray none = "<none>";
        const QByteArray& proposed = squareBytes;
        QTest::newRow("same as the label file")
            << QByteArray("4\n") << QByteArray("4\n") << false << false;
        QTest::newRow("other than the label file")
            << QByteArray("4\n") << QByteArray("5\n") << false << true;
        QTest::newRow("nothing to store, no label file")
            << none << QByteArray("0\n") << false << false;
        QTest::newRow("emptied proposal") << none << QByteArray("0\n") << true << true;
        QTest::newRow("same as the proposal") << none << proposed << true << false;
        QTest::newRow("proposal edited")
            << none << QByteArray("3\n" + proposed.mid(2)) << true << true;
    }

    void recoveryIsOfferedWhenItHoldsSomethingNew()
    {
        QFETCH(QByteArray, label);
        QFETCH(QByteArray, recovery);
        QFETCH(bool, withProposal);
        QFETCH(bool, offered);
        if (label != "<none>")
            writeContents(labelPath(), label);
        writeContents(recoveryPath(), recovery);
        ImageAnnotation proposal;
        proposal.labels = {taggedSquare(10)};
        ImageSession session;
        session.open(dir.filePath("room.jpg"), labelPath());
        const std::optional<RecoveredState> recovered =
            session.takeRecoveredState(withProposal ? &proposal : nullptr);
        QCOMPARE(bool(recovered), offered);
        if (recovered)
            QCOMPARE(QByteArray::fromStdString(labelFileContents(recovered->annotation)), recovery);
        session.leave();
        QCOMPARE(contentsOf(recoveryPath()), recovery);
    }

    // Another program on the folder keeps its unsaved state in the same recovery file; this
    // one removes it only when it wrote it itself, or when its operator declines it.
    void recoveryFileOfAnotherRunIsLeftAlone_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QByteArray>("left");
        const QByteArray gone = "<none>";
        QTest::newRow("viewed") << "" << otherRunsState;
        QTest::newRow("edited, undone") << "tagged undo" << otherRunsState;
        QTest::newRow("edited, saved") << "tagged save" << otherRunsState;
        QTest::newRow("edited, reloaded") << "tagged reload" << otherRunsState;
        QTest::newRow("declined") << "decline" << gone;
        QTest::newRow("taken back, saved") << "recover save" << gone;
        QTest::newRow("own, overwritten by another, undone")
            << "tagged kept overwritten undo" << otherRunsState;
        QTest::newRow("own, undone, another's since")
            << "tagged kept undo overwritten" << otherRunsState;
    }

    void recoveryFileOfAnotherRunIsLeftAlone()
    {
        QFETCH(QString, steps);
        QFETCH(QByteArray, left);
        writeContents(recoveryPath(), otherRunsState);
        ImageSession session;
        session.open(dir.filePath("room.jpg"), labelPath());
        play(session, steps);
        session.leave();
        QCOMPARE(contentsOf(recoveryPath()), left);
    }

    // Whoever else kept a state is named; the same operator on another computer, and an
    // older program that names nobody, kept the operator's own.
    void recoveredStateTellsWhoKeptIt_data()
    {
        QTest::addColumn<QString>("keeper");
        QTest::addColumn<bool>("another");
        QTest::newRow("bob") << "bob" << true;
        QTest::newRow("ann on another computer") << "ann" << false;
        QTest::newRow("nobody") << "" << false;
    }

    void recoveredStateTellsWhoKeptIt()
    {
        QFETCH(QString, keeper);
        QFETCH(bool, another);
        writeContents(labelPath(), "4\n");
        const RecoveryWriter writer{keeper, "desk2", 77};
        QVERIFY(RecoveryFile(labelPath(), writer).write(otherRunsState.toStdString()));
        ImageSession session;
        session.setWriter(annAtDesk1);
        session.open(dir.filePath("room.jpg"), labelPath());
        const std::optional<RecoveredState> recovered = session.takeRecoveredState();
        QVERIFY(recovered);
        QCOMPARE(recovered->annotation.styleIndex, 7);
        QCOMPARE(bool(recovered->writer), !keeper.isEmpty());
        if (recovered->writer)
            QVERIFY(*recovered->writer == writer);
        QCOMPARE(session.isAnotherOperators(*recovered), another);
    }

    // Something that is no file stands at the recovery file's name: the operator hears, once
    // for the image, that the edits have no keeping against a crash.
    void recoveryThatCannotBeKeptIsSaidOnce_data()
    {
        QTest::addColumn<bool>("blocked");
        QTest::newRow("kept") << false;
        QTest::newRow("a folder at its name") << true;
    }
    void recoveryThatCannotBeKeptIsSaidOnce()
    {
        QFETCH(bool, blocked);
        if (blocked)
            QVERIFY(QDir().mkpath(recoveryPath()));
        ImageSession session;
        QSignalSpy said(&session, &ImageSession::recoveryNotKept);
        session.open(dir.filePath("room.jpg"), labelPath());
        play(session, "tagged");
        session.keepRecoveryNow();
        play(session, "style3");
        session.keepRecoveryNow();
        QCOMPARE(said.size(), blocked ? 1 : 0);
        if (blocked)
            QVERIFY(said[0][0].toString().contains(recoveryPath()));
        session.leave();
        QDir(recoveryPath()).removeRecursively();
    }

    void proposalIsStoredOnlyWhenAcceptedOrEdited_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("needsSaving");
        QTest::addColumn<bool>("untouched");
        QTest::newRow("untouched") << "propose" << false << true;
        QTest::newRow("emptied") << "propose delete" << true << false;
        QTest::newRow("edited and undone") << "propose style3 undo" << false << true;
        QTest::newRow("proposal undone") << "propose undo" << true << false;
        QTest::newRow("accepted") << "propose save" << false << false;
    }

    void proposalIsStoredOnlyWhenAcceptedOrEdited()
    {
        QFETCH(QString, steps);
        QFETCH(bool, needsSaving);
        QFETCH(bool, untouched);
        ImageSession session;
        QSignalSpy modified(&session, &ImageSession::modifiedChanged);
        session.open(dir.filePath("room.jpg"), labelPath());
        play(session, steps);
        QCOMPARE(session.needsSaving(), needsSaving);
        QCOMPARE(session.isUntouchedProposal(), untouched);
        // Not on disk either way: only a save or an accepting step writes it.
        QCOMPARE(session.differsFromDisk(), needsSaving || untouched);
        QCOMPARE(modified.last().at(0).toBool(), needsSaving || untouched);
        session.keepRecoveryNow();
        QCOMPARE(QFile::exists(recoveryPath()), needsSaving);
    }

    // Two programs on one folder: the one that only looks leaves the other's file alone, and
    // the other writes it again when someone removed it.
    void liveProgramsRecoveryFileSurvivesAnotherOnesVisit()
    {
        writeContents(labelPath(), "4\n");
        QProcess child;
        child.start(RECOVERY_CHILD, {labelPath()});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(10000));
        QCOMPARE(child.readLine().trimmed(), QByteArray("kept"));
        const QByteArray kept = contentsOf(recoveryPath());

        ImageSession viewer;
        viewer.open(dir.filePath("room.jpg"), labelPath());
        viewer.leave();
        QCOMPARE(contentsOf(recoveryPath()), kept);

        QVERIFY(QFile::remove(recoveryPath()));
        QTRY_COMPARE_WITH_TIMEOUT(contentsOf(recoveryPath()), kept, 5000);
        child.kill();
        QVERIFY(child.waitForFinished());
    }
};

QTEST_GUILESS_MAIN(TestImageSession)
#include "test_imagesession.moc"
