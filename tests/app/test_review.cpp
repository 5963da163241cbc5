#include "batchlistmodel.h"
#include "labelfile.h"
#include "reviewfile.h"
#include "reviewpins.h"
#include "teampaths.h"
#include "windowtest.h"
#include "workflowfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QTimer>
#include <QtTest>

namespace {

const QByteArray squareLabel = "0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n";

// Answers each "Note" or "Reject Image" box with the next text, or cancels it for a null
// text, noting every title; boxes beyond the answers are cancelled.
class InputAnswerer : public QObject
{
public:
    explicit InputAnswerer(QStringList texts) : answers(std::move(texts))
    {
        connect(&poll, &QTimer::timeout, this, &InputAnswerer::answer);
        poll.start(10);
    }

    QStringList titles;

private:
    void answer()
    {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!box)
            return;
        titles << box->windowTitle();
        const QString text = answers.isEmpty() ? QString() : answers.takeFirst();
        if (text.isNull()) {
            box->reject();
            return;
        }
        box->setTextValue(text);
        box->accept();
    }

    QStringList answers;
    QTimer poll;
};

Review reviewOf(const QString& imagePath)
{
    Review review;
    readReview(reviewPathFor(imagePath), review);
    return review;
}

bool writeVerdict(const QString& imagePath, Review::Verdict verdict, const QByteArray& digest)
{
    Review review;
    review.verdict = verdict;
    review.reviewer = "lead";
    review.at = QDateTime(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC);
    review.labelDigest = digest;
    review.notes = {{QPoint(30, 40), "first"}};
    return writeReview(review, reviewPathFor(imagePath));
}

} // namespace

class TestReview : public WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void keysNeedALabelFile_data();
    void keysNeedALabelFile();
    void acceptSavesAnUnsavedEditFirst();
    void rejectAsksForANote_data();
    void rejectAsksForANote();
    void aSaveTurnsTheReviewStale();
    void notesLandOnImagePixelsAtZoom_data();
    void notesLandOnImagePixelsAtZoom();
    void listFiltersAndMarksReviewStates_data();
    void listFiltersAndMarksReviewStates();
    void refusesAnUnusableReviewerName();
    void verdictJudgesOnlyWhatWasShown_data();
    void verdictJudgesOnlyWhatWasShown();
    void listFollowsAnotherProgramsSaves_data();
    void listFollowsAnotherProgramsSaves();

private:
    QString shownImage() const { return window->imageSession().imagePath(); }
    QStringList listedNames() const
    {
        const QAbstractItemModel* model = window->findChild<QListView*>("imagesView")->model();
        QStringList names;
        for (int row = 0; row < model->rowCount(); ++row)
            names << model->index(row, 0).data().toString();
        return names;
    }
    void altClick(const QPoint& position)
    {
        QTest::mouseClick(canvas(), Qt::LeftButton, Qt::AltModifier, position);
    }
};

void TestReview::initTestCase()
{
    qputenv("QUADROTAG_OPERATOR", "lead");
}

void TestReview::keysNeedALabelFile_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("accept") << int(Qt::Key_A);
    QTest::newRow("reject") << int(Qt::Key_R);
    QTest::newRow("pin a note") << 0;
}

void TestReview::keysNeedALabelFile()
{
    QFETCH(int, key);

    openBatch(batch);
    InputAnswerer answerer({"should not be asked"});
    if (key == 0)
        altClick(QPoint(100, 100));
    else
        pressKey(Qt::Key(key), Qt::ControlModifier | Qt::ShiftModifier);
    QTest::qWait(50);
    QCOMPARE(status(), QString("Nothing to review: no label file"));
    QCOMPARE(answerer.titles, QStringList());
    QVERIFY(!QFileInfo::exists(reviewPathFor(pathOf("a.jpg"))));
    QCOMPARE(shownImage(), pathOf("a.jpg"));
    // No shape was started under the Alt+click.
    QCOMPARE(canvas()->placedCorners().size(), std::size_t(0));
}

void TestReview::acceptSavesAnUnsavedEditFirst()
{
    openBatch(batch);
    drawSquare(20, 20, 50);
    clickTag(0, 0);
    QVERIFY(!QFileInfo::exists(pathOf("a.lbl")));

    pressKey(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(fileBytes(pathOf("a.lbl")), squareLabel);
    const Review review = reviewOf(pathOf("a.jpg"));
    QCOMPARE(review.verdict, Review::Verdict::Accepted);
    QCOMPARE(review.labelDigest, bytesDigest(squareLabel));
    QCOMPARE(review.comment, QString());
    QCOMPARE(review.reviewer, QString("lead"));
    QVERIFY(qAbs(review.at.secsTo(QDateTime::currentDateTimeUtc())) < 60);
    // On to the next image the list shows.
    QCOMPARE(shownImage(), pathOf("b.jpg"));
}

void TestReview::rejectAsksForANote_data()
{
    QTest::addColumn<bool>("pinFirst");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("rejected");
    QTest::addColumn<QString>("comment");

    QTest::newRow("a note") << false << "lamp shade cut off" << true << "lamp shade cut off";
    QTest::newRow("no note, nothing pinned") << false << "" << false << "";
    QTest::newRow("only spaces, nothing pinned") << false << "   " << false << "";
    QTest::newRow("no note, a note pinned") << true << "" << true << "";
    QTest::newRow("cancelled") << false << QString() << false << "";
}

void TestReview::rejectAsksForANote()
{
    QFETCH(bool, pinFirst);
    QFETCH(QString, answer);
    QFETCH(bool, rejected);
    QFETCH(QString, comment);

    QVERIFY(writeFileBytes(pathOf("a.lbl"), squareLabel));
    openBatch(batch);
    QStringList answers;
    if (pinFirst)
        answers << "corner off";
    answers << answer;
    InputAnswerer answerer(answers);
    if (pinFirst)
        altClick(QPoint(40, 50));
    pressKey(Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);

    QCOMPARE(answerer.titles.last(), QString("Reject Image"));
    QCOMPARE(QFileInfo::exists(reviewPathFor(pathOf("a.jpg"))), rejected);
    QCOMPARE(shownImage(), pathOf(rejected ? "b.jpg" : "a.jpg"));
    if (!rejected)
        return;
    const Review review = reviewOf(pathOf("a.jpg"));
    QCOMPARE(review.verdict, Review::Verdict::Rejected);
    QCOMPARE(review.comment, comment);
    QCOMPARE(int(review.notes.size()), pinFirst ? 1 : 0);
}

void TestReview::aSaveTurnsTheReviewStale()
{
    QVERIFY(writeFileBytes(pathOf("a.lbl"), squareLabel));
    openBatch(batch);
    pressKey(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    const QByteArray reviewBytesBefore = fileBytes(reviewPathFor(pathOf("a.jpg")));
    pressKey(Qt::Key_Up);
    QCOMPARE(window->review().state(), ReviewState::Accepted);

    // Looking again and saving without an edit writes nothing: the review still holds.
    pressKey(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(window->review().state(), ReviewState::Accepted);

    drawSquare(200, 100, 40);
    clickTag(0, 1);
    pressKey(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(window->review().state(), ReviewState::ChangedSinceReview);
    QCOMPARE(fileBytes(reviewPathFor(pathOf("a.jpg"))), reviewBytesBefore);
    QCOMPARE(window->findChild<QLabel*>("reviewState")->text().left(22),
             QString("Changed since review. "));
}

void TestReview::notesLandOnImagePixelsAtZoom_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QPoint>("click");
    QTest::addColumn<QPoint>("pixel");

    QTest::newRow("100 %") << 1.0 << QPoint(120, 80) << QPoint(120, 80);
    QTest::newRow("200 %") << 2.0 << QPoint(241, 161) << QPoint(120, 80);
    // Beyond the canvas's size at start: the pins grow with the canvas.
    QTest::newRow("400 %, far corner") << 4.0 << QPoint(1401, 1001) << QPoint(350, 250);
    QTest::newRow("50 %") << 0.5 << QPoint(60, 40) << QPoint(120, 80);
    QTest::newRow("50 %, odd pixel") << 0.5 << QPoint(61, 41) << QPoint(122, 82);
}

void TestReview::notesLandOnImagePixelsAtZoom()
{
    QFETCH(double, zoom);
    QFETCH(QPoint, click);
    QFETCH(QPoint, pixel);

    QVERIFY(writeFileBytes(pathOf("a.lbl"), squareLabel));
    openBatch(batch);
    viewer()->setZoom(zoom);
    QCOMPARE(viewer()->zoom(), zoom);
    InputAnswerer answerer({"look here", "see the pin"});
    altClick(click);
    QCOMPARE(answerer.titles, QStringList{"Note"});
    QCOMPARE(window->review().shownNotes(), (std::vector<ReviewNote>{{pixel, "look here"}}));

    // The pin is drawn over the pixel's centre, where the canvas shows it at this zoom.
    const QPointF centre = canvas()->viewTransform().toCanvas(QPointF(pixel) + QPointF(0.5, 0.5));
    QCOMPARE(canvas()->grab().toImage().pixelColor(centre.toPoint() + QPoint(-6, 0)),
             ReviewPins::pinColor);
    QVERIFY(canvas()->grab().toImage().pixelColor(centre.toPoint() + QPoint(-40, 0)) !=
            ReviewPins::pinColor);

    pressKey(Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(fileBytes(reviewPathFor(pathOf("a.jpg")))
                .contains(QStringLiteral("\nnote %1 %2 look here\ncomment see the pin\n")
                              .arg(pixel.x())
                              .arg(pixel.y())
                              .toUtf8()));
}

void TestReview::listFiltersAndMarksReviewStates_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QStringList>("listed");

    // e.jpg, unlabelled, is on screen and always listed.
    QTest::newRow("Unreviewed") << "Unreviewed" << QStringList{"d.jpg", "e.jpg"};
    QTest::newRow("Accepted") << "Accepted" << QStringList{"a.jpg  \u2714 accepted", "e.jpg"};
    QTest::newRow("Rejected") << "Rejected" << QStringList{"b.jpg  \u2716 rejected", "e.jpg"};
    QTest::newRow("Changed Since Review")
        << "Changed Since Review" << QStringList{"c.jpg  \u21bb changed since review", "e.jpg"};
    QTest::newRow("All") << "All"
                         << QStringList{"a.jpg  \u2714 accepted", "b.jpg  \u2716 rejected",
                                        "c.jpg  \u21bb changed since review", "d.jpg", "e.jpg"};
}

void TestReview::listFiltersAndMarksReviewStates()
{
    QFETCH(QString, state);
    QFETCH(QStringList, listed);

    for (const char* name : {"d.jpg", "e.jpg"}) {
        QVERIFY(writeTestJpeg(pathOf(name), 400, 300, 128));
        batch << pathOf(name);
    }
    for (const char* name : {"a.lbl", "b.lbl", "c.lbl", "d.lbl"})
        QVERIFY(writeFileBytes(pathOf(name), squareLabel));
    QVERIFY(writeVerdict(pathOf("a.jpg"), Review::Verdict::Accepted, bytesDigest(squareLabel)));
    QVERIFY(writeVerdict(pathOf("b.jpg"), Review::Verdict::Rejected, bytesDigest(squareLabel)));
    QVERIFY(writeVerdict(pathOf("c.jpg"), Review::Verdict::Rejected, bytesDigest("0\n")));
    openBatch(batch);
    QCOMPARE(shownImage(), pathOf("a.jpg"));
    pressKey(Qt::Key_Down);
    pressKey(Qt::Key_Down);
    pressKey(Qt::Key_Down);
    pressKey(Qt::Key_Down);
    QCOMPARE(shownImage(), pathOf("e.jpg"));

    auto* chooser = window->findChild<QComboBox*>("stateChooser");
    chooser->setCurrentIndex(chooser->findText(state));
    QCOMPARE(chooser->currentText(), state);
    QCOMPARE(listedNames(), listed);
}

// Another program replaced the label file after it was shown: no verdict on bytes the lead
// never saw.
void TestReview::verdictJudgesOnlyWhatWasShown_data()
{
    QTest::addColumn<bool>("replaced");
    QTest::newRow("as shown") << false;
    QTest::newRow("replaced since shown") << true;
}

void TestReview::verdictJudgesOnlyWhatWasShown()
{
    QFETCH(bool, replaced);
    QVERIFY(writeFileBytes(pathOf("a.lbl"), squareLabel));
    openBatch(batch);
    const QByteArray theirs = "2\n4 20 20 90 20 90 90 20 90 \n1 0 1 \n";
    if (replaced)
        QVERIFY(writeFileBytes(pathOf("a.lbl"), theirs));
    pressKey(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QFileInfo::exists(reviewPathFor(pathOf("a.jpg"))), !replaced);
    if (replaced)
        QVERIFY2(status().startsWith("Not judged: someone else changed the label file"),
                 qPrintable(status()));
    else
        QCOMPARE(reviewOf(pathOf("a.jpg")).labelDigest, bytesDigest(squareLabel));
    QCOMPARE(fileBytes(pathOf("a.lbl")), replaced ? theirs : squareLabel);
}

// Saves and verdicts of another program show in the list at the next refresh.
void TestReview::listFollowsAnotherProgramsSaves_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("nothing") << "" << QStringList{"a.jpg  \u2714 accepted", "b.jpg", "c.jpg"};
    QTest::newRow("accepted file saved again")
        << "save a" << QStringList{"a.jpg  \u21bb changed since review", "b.jpg", "c.jpg"};
    QTest::newRow("unlabelled image saved")
        << "save b" << QStringList{"a.jpg  \u2714 accepted", "b.jpg", "c.jpg"};
    QTest::newRow("image accepted")
        << "accept b" << QStringList{"a.jpg  \u2714 accepted", "b.jpg  \u2714 accepted", "c.jpg"};
}

void TestReview::listFollowsAnotherProgramsSaves()
{
    QFETCH(QString, change);
    QFETCH(QStringList, listed);
    QVERIFY(writeFileBytes(pathOf("a.lbl"), squareLabel));
    QVERIFY(writeVerdict(pathOf("a.jpg"), Review::Verdict::Accepted, bytesDigest(squareLabel)));
    openBatch(batch);
    pressKey(Qt::Key_Down);
    pressKey(Qt::Key_Down);
    auto* chooser = window->findChild<QComboBox*>("stateChooser");
    chooser->setCurrentIndex(chooser->findText("All"));
    window->teamDesk().refreshNow();
    // Folder times move in steps the file system keeps; a step apart.
    QTest::qWait(20);
    const QByteArray other = "0\n4 30 30 80 30 80 80 30 80 \n1 0 1 \n";
    if (change == "save a")
        QVERIFY(writeFileBytes(pathOf("a.lbl"), other));
    else if (change.endsWith(" b")) {
        QVERIFY(writeFileBytes(pathOf("b.lbl"), squareLabel));
        if (change == "accept b")
            QVERIFY(
                writeVerdict(pathOf("b.jpg"), Review::Verdict::Accepted, bytesDigest(squareLabel)));
    }
    window->teamDesk().refreshNow();
    QCOMPARE(listedNames(), listed);
}

void TestReview::refusesAnUnusableReviewerName()
{
    // The name goes into the review file, so one that holds a line break is never written.
    qputenv("QUADROTAG_OPERATOR", "lead\nstate accepted");
    window = std::make_unique<Quadrotag>();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    qputenv("QUADROTAG_OPERATOR", "lead");
    QVERIFY(writeFileBytes(pathOf("a.lbl"), squareLabel));
    openBatch(batch);
    pressKey(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY2(status().startsWith("QUADROTAG_OPERATOR holds"), qPrintable(status()));
    QVERIFY(!QFileInfo::exists(reviewPathFor(pathOf("a.jpg"))));
    QCOMPARE(shownImage(), pathOf("a.jpg"));
}

QTEST_MAIN(TestReview)
#include "test_review.moc"
