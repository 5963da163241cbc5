#include "reviewcounts.h"
#include "reviewfile.h"
#include "reviewstate.h"
#include "teampaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray digestA = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

Review sampleReview(Review::Verdict verdict)
{
    Review review;
    review.verdict = verdict;
    review.reviewer = "lead";
    review.at = QDateTime(QDate(2026, 12, 7), QTime(18, 30, 5), Qt::UTC);
    review.labelDigest = digestA;
    return review;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

const QByteArray validLines =
    "state rejected\nby lead\nat 2026-12-07T18:30:05Z\nlabel " + digestA + "\n";

} // namespace

Q_DECLARE_METATYPE(Review)
Q_DECLARE_METATYPE(ReviewState)

class TestReviewFile : public QObject
{
    Q_OBJECT

private slots:
    void writesTheLines_data();
    void writesTheLines();
    void readsOnlyWholeReviews_data();
    void readsOnlyWholeReviews();
    void digestsTheBytes_data();
    void digestsTheBytes();
    void holdsWhileTheLabelFileIsUnchanged_data();
    void holdsWhileTheLabelFileIsUnchanged();
    void replacesTheFileAtomically();
    void keepsTheReviewOfAnyImageName_data();
    void keepsTheReviewOfAnyImageName();
};

void TestReviewFile::writesTheLines_data()
{
    QTest::addColumn<Review>("review");
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray head = "by lead\nat 2026-12-07T18:30:05Z\nlabel " + digestA + "\n";
    QTest::newRow("accepted") << sampleReview(Review::Verdict::Accepted)
                              << "state accepted\n" + head;
    Review rejected = sampleReview(Review::Verdict::Rejected);
    rejected.notes = {{QPoint(120, 45), "lamp shade cut off"}, {QPoint(-3, 7), "corner"}};
    rejected.comment = "see the notes";
    QTest::newRow("rejected with notes and a comment")
        << rejected
        << "state rejected\n" + head +
               "note 120 45 lamp shade cut off\nnote -3 7 corner\ncomment see the notes\n";
    Review broken = sampleReview(Review::Verdict::Rejected);
    broken.notes = {{QPoint(1, 2), "two\nlines"}};
    broken.comment = "one\r\ntwo";
    QTest::newRow("line breaks become spaces")
        << broken << "state rejected\n" + head + "note 1 2 two lines\ncomment one  two\n";
    Review unicode = sampleReview(Review::Verdict::Accepted);
    unicode.reviewer = QStringLiteral("Zoë");
    QTest::newRow("UTF-8") << unicode
                           << "state accepted\nby Zo\xc3\xab\nat 2026-12-07T18:30:05Z\nlabel " +
                                  digestA + "\n";
}

void TestReviewFile::writesTheLines()
{
    QFETCH(Review, review);
    QFETCH(QByteArray, bytes);

    QCOMPARE(reviewBytes(review), bytes);
    Review read;
    QVERIFY(parseReview(bytes, read));
    QCOMPARE(reviewBytes(read), bytes);
}

void TestReviewFile::readsOnlyWholeReviews_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("read");
    QTest::addColumn<int>("notes");

    QTest::newRow("the four lines") << validLines << true << 0;
    QTest::newRow("CR LF line ends") << QByteArray(validLines).replace("\n", "\r\n") << true << 0;
    QTest::newRow("unknown line left for later") << validLines + "colour red\n" << true << 0;
    QTest::newRow("note without text") << validLines + "note 5 6\n" << true << 1;
    QTest::newRow("note with empty text") << validLines + "note 5 6 \n" << true << 1;
    QTest::newRow("note without numbers") << validLines + "note five 6 x\n" << false << 0;
    QTest::newRow("note with one number") << validLines + "note 5\n" << false << 0;
    QTest::newRow("no state") << validLines.mid(validLines.indexOf('\n') + 1) << false << 0;
    QTest::newRow("unknown state")
        << QByteArray(validLines).replace("rejected", "pending") << false << 0;
    QTest::newRow("no reviewer") << QByteArray(validLines).replace("by lead\n", "") << false << 0;
    QTest::newRow("bad time") << QByteArray(validLines).replace("2026-12-07T18:30:05Z", "yesterday")
                              << false << 0;
    QTest::newRow("no time") << QByteArray(validLines).replace("at 2026-12-07T18:30:05Z\n", "")
                             << false << 0;
    QTest::newRow("upper-case digest")
        << QByteArray(validLines).replace(digestA, digestA.toUpper()) << false << 0;
    QTest::newRow("short digest") << QByteArray(validLines).replace(digestA, digestA.chopped(1))
                                  << false << 0;
    QTest::newRow("no digest") << QByteArray(validLines).replace("label " + digestA + "\n", "")
                               << false << 0;
    QTest::newRow("empty") << QByteArray() << false << 0;
}

void TestReviewFile::readsOnlyWholeReviews()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, read);
    QFETCH(int, notes);

    Review review = sampleReview(Review::Verdict::Accepted);
    review.comment = "untouched";
    const Review before = review;
    QCOMPARE(parseReview(bytes, review), read);
    if (read) {
        QCOMPARE(review.verdict, Review::Verdict::Rejected);
        QCOMPARE(review.reviewer, QString("lead"));
        QCOMPARE(int(review.notes.size()), notes);
    } else {
        QCOMPARE(review, before);
    }
}

void TestReviewFile::digestsTheBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("digest");

    QTest::newRow("abc") << QByteArray("abc") << digestA;
    QTest::newRow("empty file")
        << QByteArray()
        << QByteArray("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

void TestReviewFile::digestsTheBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, digest);

    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("x.lbl"), bytes));
    QCOMPARE(bytesDigest(bytes), digest);
    QCOMPARE(fileDigest(dir.filePath("x.lbl")), digest);
    QCOMPARE(fileDigest(dir.filePath("missing.lbl")), QByteArray());
    QCOMPARE(fileDigest(dir.path()), QByteArray());
}

void TestReviewFile::holdsWhileTheLabelFileIsUnchanged_data()
{
    QTest::addColumn<QByteArray>("labelBytes");
    QTest::addColumn<QByteArray>("reviewedBytes");
    QTest::addColumn<QByteArray>("reviewState");
    QTest::addColumn<ReviewState>("state");

    const QByteArray label = "0\n4 1 1 10 1 10 10 1 10 \n1 0 0 \n";
    QTest::newRow("accepted") << label << label << QByteArray("accepted") << ReviewState::Accepted;
    QTest::newRow("rejected") << label << label << QByteArray("rejected") << ReviewState::Rejected;
    QTest::newRow("saved since") << label << QByteArray("0\n") << QByteArray("accepted")
                                 << ReviewState::ChangedSinceReview;
    QTest::newRow("rejected, saved since")
        << label << QByteArray("0\n") << QByteArray("rejected") << ReviewState::ChangedSinceReview;
    QTest::newRow("no review") << label << QByteArray() << QByteArray() << ReviewState::Unreviewed;
    QTest::newRow("malformed review")
        << label << label << QByteArray("maybe") << ReviewState::Unreviewed;
    QTest::newRow("no label file")
        << QByteArray() << label << QByteArray("accepted") << ReviewState::Unlabelled;
}

void TestReviewFile::holdsWhileTheLabelFileIsUnchanged()
{
    QFETCH(QByteArray, labelBytes);
    QFETCH(QByteArray, reviewedBytes);
    QFETCH(QByteArray, reviewState);
    QFETCH(ReviewState, state);

    QTemporaryDir dir;
    const QString image = dir.filePath("room.jpg");
    const QString label = dir.filePath("room.lbl");
    if (!labelBytes.isEmpty())
        QVERIFY(writeBytes(label, labelBytes));
    if (!reviewState.isEmpty())
        QVERIFY(writeBytes(reviewPathFor(image), "state " + reviewState +
                                                     "\nby lead\nat 2026-12-07T18:30:05Z\nlabel " +
                                                     bytesDigest(reviewedBytes) + "\n"));
    QCOMPARE(reviewStateOf(image, label), state);

    ReviewCounts counts;
    counts.add(state);
    QCOMPARE(
        QList<long long>({counts.accepted, counts.rejected, counts.changed, counts.unreviewed}),
        QList<long long>({state == ReviewState::Accepted, state == ReviewState::Rejected,
                          state == ReviewState::ChangedSinceReview,
                          state == ReviewState::Unreviewed}));
}

void TestReviewFile::replacesTheFileAtomically()
{
    QTemporaryDir dir;
    const QString path = reviewPathFor(dir.filePath("room.jpg"));
    QVERIFY(writeReview(sampleReview(Review::Verdict::Rejected), path));
    QVERIFY(writeReview(sampleReview(Review::Verdict::Accepted), path));
    Review read;
    QVERIFY(readReview(path, read));
    QCOMPARE(read, sampleReview(Review::Verdict::Accepted));
    // Nothing but the review itself is left in the folder.
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"room.jpg.review"});

    // A file where the folder should be: false, and nothing else is touched.
    const QString blocked = reviewPathFor(dir.filePath("sub/room.jpg"));
    QVERIFY(writeBytes(teamFolderFor(dir.filePath("sub/room.jpg")), "a file"));
    QVERIFY(!writeReview(sampleReview(Review::Verdict::Accepted), blocked));
    QVERIFY(!readReview(blocked, read));
    // Too large to be a review: not read into memory.
    QVERIFY(writeBytes(path, validLines + QByteArray(2 * 1024 * 1024, '\n')));
    QVERIFY(!readReview(path, read));
}

// A name too long to stand in its review's gives way to its digest; every name that fits is
// kept as it was, for the reviews written before.
void TestReviewFile::keepsTheReviewOfAnyImageName_data()
{
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("linked");
    const auto row = [](const char* name, const QString& image, bool digest, bool linked = false) {
        const QByteArray hash =
            QCryptographicHash::hash(image.toUtf8(), QCryptographicHash::Sha256).toHex();
        QTest::newRow(name) << image << (digest ? "#" + hash : image) + ".review" << linked;
    };
    row("name and suffix 255 bytes", QString(244, 'r') + ".jpg", false);
    row("name and suffix 256 bytes", QString(245, 'r') + ".jpg", true);
    row("255-byte name", QString(251, 'r') + ".jpg", true);
    row("2-byte characters, 255 bytes with suffix", QString(122, QChar(0xe9)) + ".jpg", false);
    row("3-byte characters, 256 bytes with suffix", QString(81, QChar(0x5b57)) + "ab.jpg", true);
    // Someone put a link to another file where the review goes: the link is replaced.
    row("a link at a short name", "room.jpg", false, true);
    row("a link at a digest's name", QString(251, 'r') + ".jpg", true, true);
}

void TestReviewFile::keepsTheReviewOfAnyImageName()
{
    QFETCH(QString, image);
    QFETCH(QString, stored);
    QFETCH(bool, linked);
    QTemporaryDir dir;
    QTemporaryDir elsewhere;
    const QString path = reviewPathFor(dir.filePath(image));
    QCOMPARE(QFileInfo(path).fileName(), stored);
    const QString victim = elsewhere.filePath("victim.lbl");
    QVERIFY(writeBytes(victim, "0\n"));
    if (linked)
        QVERIFY(QDir().mkpath(QFileInfo(path).path()) && QFile::link(victim, path));
    // The verdict changed: the review is written over.
    QVERIFY(writeReview(sampleReview(Review::Verdict::Accepted), path));
    QVERIFY(writeReview(sampleReview(Review::Verdict::Rejected), path));
    // Read where the window and the exporter read it: digestA is the digest of "abc".
    QVERIFY(writeBytes(dir.filePath(image.section('.', 0, -2) + ".lbl"), "abc"));
    QCOMPARE(reviewStateOf(dir.filePath(image), dir.filePath(image.section('.', 0, -2) + ".lbl")),
             ReviewState::Rejected);
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{stored});
    QVERIFY(!QFileInfo(path).isSymLink());
    QFile read(victim);
    QVERIFY(read.open(QIODevice::ReadOnly));
    QCOMPARE(read.readAll(), QByteArray("0\n"));
}

QTEST_APPLESS_MAIN(TestReviewFile)
#include "test_reviewfile.moc"
