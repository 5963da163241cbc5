#include "claim.h"
#include "editgate.h"
#include "editingtest.h"
#include "quadrotag.h"
#include "teampaths.h"
#include "workflowfixture.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QInputDialog>
#include <QMenu>
#include <QtTest>

namespace {

// Every file under the folder, hidden ones too, with the digest of its bytes; the settings,
// which the fixture keeps there too, are the program's own business.
QStringList filesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator entries(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        if (!path.endsWith(".conf"))
            files
                << path + " " +
                       QCryptographicHash::hash(fileBytes(path), QCryptographicHash::Sha1).toHex();
    }
    files.sort();
    return files;
}

// Accepts every text question with a note, so that a question the gate should have
// prevented leaves its mark on disk as well as in the count.
class QuestionCounter : public QObject
{
public:
    QuestionCounter()
    {
        connect(&poll, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                ++asked;
                box->setTextValue(QStringLiteral("should not be asked"));
                box->accept();
            }
        });
        poll.start(10);
    }
    int asked = 0;

private:
    QTimer poll;
};

} // namespace

// One gate for every edit: each editing action and key of the window, in each state in which
// the image on screen may not change, leaves the annotation, the history and the disk as they
// were, and the status bar names the reason.
class TestEditGate : public EditingTest
{
    Q_OBJECT

private:
    enum State {
        HeldByOther,
        ClaimLost,
        ClaimNotTaken,
        ProjectClosed,
        ShapesHidden,
        SharedLabel,
        LinkedLabel,
        VocabularyChanged,
        ClaimPending,
        HeldOnceTaken,
        ImageLoading
    };
    // Closes the warning about an image that never arrives, after the row's checks.
    std::unique_ptr<MessageBoxCloser> arrivalWarning;

    // What an edit may have set going has written by now: a recovery that was due, and the
    // file work queued on the claim worker unless the row holds that worker.
    bool pendingWritesDone(bool claimWorkerHeld)
    {
        // Work the edit posted to the event loop runs first.
        QCoreApplication::processEvents();
        if (!QTest::qWaitFor([this] { return !window->imageSession().isRecoveryDue(); }))
            return false;
        if (claimWorkerHeld)
            return true;
        auto reached = std::make_shared<std::atomic<bool>>(false);
        window->teamDesk().runInOrder([reached] { reached->store(true); });
        return QTest::qWaitFor([reached] { return reached->load(); });
    }

    static inline const QByteArray original = "2\n4 10 10 60 10 60 60 10 60\n2 0 0 2 1\n";

    Claim bob() const
    {
        Claim claim = Claim::ofThisProcess("bob");
        claim.pid = 1; // lives as long as the test
        return claim;
    }

    // Two shapes drawn, the second taken back: both undo and redo have a shape step.
    void makeHistory()
    {
        drawSquare(300, 200, 40);
        drawSquare(300, 100, 40);
        window->slotUndo();
    }

    // The image b.jpg on screen, in the state; returns the note that names it.
    // The claim of the image left goes behind the next one's on the claim worker: gone before
    // the row looks at the files, which it must not see change.
    bool settledWithTheImageLeftReleased()
    {
        return QTest::qWaitFor([this] {
            return window->teamDesk().hold() != EditGate::Hold::Pending &&
                   !QFile::exists(claimPathFor(batch[0]));
        });
    }

    QString enter(State state)
    {
        writeFileBytes(pathOf("a.lbl"), original);
        writeFileBytes(pathOf("b.lbl"), original);
        const Claim other = bob();
        switch (state) {
        case HeldByOther:
            QDir().mkpath(QFileInfo(claimPathFor(batch[1])).path());
            writeFileBytes(claimPathFor(batch[1]), other.toBytes());
            openBatch(batch);
            pressKey(Qt::Key_Down);
            return "Held by bob since " + other.since.toLocalTime().toString("hh:mm") +
                   ": read only";
        case ClaimLost:
            openBatch(batch);
            pressKey(Qt::Key_Down);
            makeHistory();
            // Taken over while this program was stopped.
            writeFileBytes(claimPathFor(batch[1]), other.toBytes());
            window->teamDesk().refreshNow();
            return "Held by bob since " + other.since.toLocalTime().toString("hh:mm") +
                   ": read only";
        case ClaimNotTaken:
            // Claims can't be made where their folder should be.
            writeFileBytes(pathOf(".quadrotag"), "not a folder");
            openBatch(batch);
            pressKey(Qt::Key_Down);
            return QString::fromLatin1(EditGate::claimNotTakenNote);
        case ProjectClosed:
            openBatch(batch);
            pressKey(Qt::Key_Down);
            QDir().mkpath(pathOf("other"));
            writeFileBytes(pathOf("other/tags"), testVocabulary);
            window->openProject(pathOf("other"));
            return QString::fromLatin1(EditGate::closedNote);
        case SharedLabel:
            // Another photo whose name differs only in the case of the suffix: a.lbl is
            // a.jpg's annotation, never this one's.
            if (!writeTestJpeg(pathOf("a.JPG"), 400, 300, 90))
                return QStringLiteral("a.JPG not written");
            openBatch({batch[0], pathOf("a.JPG")});
            pressKey(Qt::Key_Down);
            if (!window->statusBar()->currentMessage().startsWith(
                    EditGate::sharedLabelNote("a.jpg")))
                return QStringLiteral("not said on entering");
            return EditGate::sharedLabelNote("a.jpg");
        case LinkedLabel:
            // b.lbl is a link to a.lbl: a.jpg's annotation, which a.jpg's holder claims.
            QFile::remove(pathOf("b.lbl"));
            if (!QFile::link("a.lbl", pathOf("b.lbl")))
                return QStringLiteral("b.lbl not linked");
            openBatch(batch);
            pressKey(Qt::Key_Down);
            if (!settledWithTheImageLeftReleased())
                return QStringLiteral("never settled");
            return EditGate::sharedLabelNote("a.lbl");
        case VocabularyChanged:
            // Relabelled meanwhile: the next image must not be edited in the old cells.
            openBatch(batch);
            writeFileBytes(pathOf("index2tag.csv"), "0,0,Sofa\n");
            // Looked at on the claim worker, as the program does, and applied once it is done.
            stallShare();
            pressKey(Qt::Key_Down);
            shareAnswers();
            if (!settledWithTheImageLeftReleased())
                return QStringLiteral("never settled");
            return QString::fromLatin1(EditGate::vocabularyChangedNote);
        case ClaimPending:
            openBatch(batch);
            stallShare();
            pressKey(Qt::Key_Down);
            return QString::fromUtf8(EditGate::pendingNote);
        case HeldOnceTaken: {
            openBatch(batch);
            stallShare();
            pressKey(Qt::Key_Down);
            // bob was first while the image was already on screen.
            QDir().mkpath(QFileInfo(claimPathFor(batch[1])).path());
            writeFileBytes(claimPathFor(batch[1]), other.toBytes());
            // Taking it gives a.jpg's claim up, which is no write for b.jpg.
            const auto filesButAClaim = [this] {
                QStringList files = filesUnder(dir->path());
                files.removeIf([this](const QString& file) {
                    return file.startsWith(claimPathFor(batch[0]) + ' ');
                });
                return files;
            };
            const QStringList files = filesButAClaim();
            shareAnswers();
            if (!settledWithTheImageLeftReleased())
                return QStringLiteral("never settled");
            if (filesButAClaim() != files)
                return QStringLiteral("written while the claim was taken");
            return "Held by bob since " + other.since.toLocalTime().toString("hh:mm") +
                   ": read only";
        }
        case ImageLoading:
            // Cut short, so that it fails once the workers are free: a.jpg stays on screen.
            writeFileBytes(pathOf("b.png"), pngClaimingSize(1100, 1000));
            arrivalWarning = std::make_unique<MessageBoxCloser>();
            openBatch({batch[0], pathOf("b.png")});
            // What was made ahead is dropped, and nothing is decoded until the row ends.
            holdDecoders();
            const_cast<ImagePrefetcher&>(window->imagePrefetcher()).clear();
            if (!QTest::qWaitFor([this] { return window->imagePrefetcher().imagesHeld() == 0; }))
                return QStringLiteral("still decoding");
            pressKeyOnly(Qt::Key_Down);
            return QString::fromUtf8(EditGate::imageLoadingNote);
        case ShapesHidden:
            openBatch(batch);
            pressKey(Qt::Key_Down);
            makeHistory();
            QTest::keyClick(canvas(), Qt::Key_H);
            return QString::fromLatin1(EditGate::shapesHiddenNote);
        }
        return QString();
    }

private slots:
    void everyEditIsRefusedWhereTheImageMayNotChange_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("edit");
        QTest::addColumn<bool>("noted");
        const QList<QPair<const char*, int>> edits = {
            {"add", AddShape},         {"tag", TagShape},        {"drag", DragShape},
            {"delete", DeleteShape},   {"corner", MoveCorner},   {"tag found", FindTag},
            {"recent tag", RecentTag}, {"repeat", RepeatShapes}, {"undo", UndoStep},
            {"redo", RedoStep},        {"nudge", NudgeShape},    {"paste", PasteShape},
            {"style", ChangeStyle},    {"accept", AcceptImage},  {"reject", RejectImage},
            {"pin", PinNote},          {"save", SaveImage}};
        const QList<QPair<const char*, int>> states = {{"held", HeldByOther},
                                                       {"claim lost", ClaimLost},
                                                       {"claim not taken", ClaimNotTaken},
                                                       {"project closed", ProjectClosed},
                                                       {"hidden", ShapesHidden},
                                                       {"shared label file", SharedLabel},
                                                       {"linked label file", LinkedLabel},
                                                       {"vocabulary changed", VocabularyChanged},
                                                       {"claim being taken", ClaimPending},
                                                       {"held once taken", HeldOnceTaken},
                                                       {"image loading", ImageLoading}};
        for (const auto& state : states)
            for (const auto& edit : edits) {
                // Hidden shapes stop only the edits of shapes.
                const QList<int> notOfShapes = {ChangeStyle, AcceptImage, RejectImage, PinNote,
                                                SaveImage};
                if (state.second == ShapesHidden && notOfShapes.contains(edit.second))
                    continue;
                // Without an image, or with the shapes out of sight, a right press finds no
                // shape, so a drag reaches nothing to refuse.
                const bool nothingToDrag =
                    (state.second == ProjectClosed &&
                     (edit.second == DragShape || edit.second == MoveCorner)) ||
                    (state.second == ShapesHidden &&
                     (edit.second == DragShape || edit.second == MoveCorner));
                QTest::addRow("%s: %s", state.first, edit.first)
                    << state.second << edit.second << !nothingToDrag;
            }
    }

    void everyEditIsRefusedWhereTheImageMayNotChange()
    {
        QFETCH(int, state);
        QFETCH(int, edit);
        QFETCH(bool, noted);
        const QString note = enter(State(state));
        QCOMPARE(fileBytes(pathOf("b.lbl")), original);
        recentStrip()->noteTurnedOn({{0, 4}});
        const ImageAnnotation before = annotation();
        const int steps = window->editHistory().count();
        const int position = window->editHistory().index();
        const QStringList files = filesUnder(dir->path());
        QuestionCounter questions;
        window->statusBar()->showMessage("-");

        makeEdit(Edit(edit));
        QCOMPARE(annotation(), before);
        QCOMPARE(styleChooser()->currentIndex(), before.styleIndex);
        QCOMPARE(window->editHistory().count(), steps);
        QCOMPARE(window->editHistory().index(), position);
        QCOMPARE(status(), noted ? note : QString("-"));
        QCOMPARE(questions.asked, 0);
        QVERIFY(pendingWritesDone(state == ClaimPending));
        QCOMPARE(filesUnder(dir->path()), files);
        shareAnswers();
    }

    // Whatever a menu entry or a key of the window does, it changes nothing the gate refuses.
    void noActionOfTheMenusEditsPastTheGate_data()
    {
        QTest::addColumn<int>("state");
        QTest::newRow("held") << int(HeldByOther);
        QTest::newRow("claim lost") << int(ClaimLost);
        QTest::newRow("project closed") << int(ProjectClosed);
        QTest::newRow("shared label file") << int(SharedLabel);
        QTest::newRow("image loading") << int(ImageLoading);
    }

    // The vocabulary's bytes (and the label file's) are compared until a reading a grain after
    // the first found them again; its time, an hour behind, proves nothing by itself.
    void vocabularyIsReadAgainOnlyWhereItsSizeOrTimeChanged_data()
    {
        QTest::addColumn<QByteArray>("tags");
        QTest::addColumn<int>("timeMoved");
        QTest::addColumn<int>("firstEntryAfter");
        QTest::addColumn<bool>("noted");
        const QByteArray sameSize = QByteArray(testVocabulary).replace('S', 'Z');
        QTest::newRow("same size and time, read once") << sameSize << 0 << 0 << true;
        QTest::newRow("same size and time, confirmed") << sameSize << 0 << 2100 << false;
        QTest::newRow("other bytes, same size, new time") << sameSize << 60 << 2100 << true;
        // Read by the table alone, which writes the index: no change of anyone's.
        QTest::newRow("too large to keep at start") << sameSize << 0 << 0 << true;
    }
    void vocabularyIsReadAgainOnlyWhereItsSizeOrTimeChanged()
    {
        QFETCH(QByteArray, tags);
        QFETCH(int, timeMoved);
        QFETCH(int, firstEntryAfter);
        QFETCH(bool, noted);
        const QDateTime written = QDateTime::currentDateTimeUtc().addSecs(-3600);
        QFile file(pathOf("tags"));
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(written, QFileDevice::FileModificationTime));
        if (QByteArray(QTest::currentDataTag()).contains("too large")) {
            QVERIFY(file.resize((qint64(64) << 20) + 1));
            QFile::remove(pathOf("index2tag.csv"));
        }
        QVERIFY(writeFileBytes(pathOf("b.lbl"), "0\n"));
        QVERIFY(window->openProject(dir->path()));
        openBatch(batch);
        QTest::qWait(firstEntryAfter);
        pressKey(Qt::Key_Down);
        QTRY_VERIFY(window->imageSession().editGate().refusal(EditGate::Edit::Write).isEmpty());
        QCOMPARE(window->imageSession().labelFileOnDisk().confirmed, firstEntryAfter > 0);
        QVERIFY(file.resize(0) && file.write(tags) == tags.size() && file.flush());
        QVERIFY(file.setFileTime(written.addSecs(timeMoved), QFileDevice::FileModificationTime));
        pressKey(Qt::Key_Up);
        QCOMPARE(window->imageSession().editGate().refusal(EditGate::Edit::Write) ==
                     EditGate::vocabularyChangedNote,
                 noted);
    }

    void noActionOfTheMenusEditsPastTheGate()
    {
        QFETCH(int, state);
        enter(State(state));
        QTest::mouseClick(canvas(), Qt::RightButton, {}, QPoint(30, 30));
        const ImageAnnotation before = annotation();
        const int position = window->editHistory().index();
        const QStringList files = filesUnder(dir->path());
        // Those that open a dialog of files or leave the image are ways out, not edits; the
        // report writes a page of its own, never an annotation.
        const QStringList waysOut = {"Open Images",
                                     "Open Folder",
                                     "Open Project…",
                                     "Next Image",
                                     "Previous Image",
                                     "Next Unlabelled Image",
                                     "Brightness and Contrast…",
                                     "Dataset Report…"};
        QuestionCounter questions;
        int triggered = 0;
        for (QAction* action : window->findChildren<QAction*>()) {
            if (action->menu() || action->isSeparator() || waysOut.contains(action->text()) ||
                action->parent() == window->findChild<QMenu*>("menuRecent_Projects"))
                continue;
            action->trigger();
            ++triggered;
            QVERIFY2(annotation() == before, qPrintable(action->text()));
            QVERIFY2(window->editHistory().index() == position, qPrintable(action->text()));
        }
        QVERIFY(triggered > 20);
        QCOMPARE(questions.asked, 0);
        QVERIFY(pendingWritesDone(false));
        QCOMPARE(filesUnder(dir->path()), files);
    }
};

QTEST_MAIN(TestEditGate)
#include "test_editgate.moc"
