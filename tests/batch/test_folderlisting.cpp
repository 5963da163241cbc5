#include "filefixture.h"
#include "folderlisting.h"

#include <QtTest>

#include <QSemaphore>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Lists folders as the program does, but the one named held only once released: its request
// stays unfinished for as long as a row needs.
FolderListing::Lister holding(const QString& held, const std::shared_ptr<QSemaphore>& release)
{
    return [held, release](const QString& folder, std::atomic<int>* found,
                           const FirstImageWish& wish) {
        if (folder == held)
            release->acquire();
        return listFolderImages(folder, found, wish);
    };
}

// Every worker has ended, and what each posted to its listing before ending has arrived.
bool workersEnded()
{
    if (!QTest::qWaitFor([] { return FolderListing::workersUnderWay() == 0; }))
        return false;
    QCoreApplication::processEvents();
    return true;
}

} // namespace

// The listing of a folder on a worker thread: which request wins, and what nobody waits for.
class TestFolderListing : public QObject
{
    Q_OBJECT

private slots:
    // A file a killed save, claim or review left half written is swept on the worker once a
    // day has passed without a write to it; a file of another naming is never the program's.
    void listsInTheBackgroundAndReportsOnce_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("leftover");
        QTest::addColumn<int>("hoursOld");
        QTest::addColumn<bool>("removed");
        const QString saves = ".0123456789abcdef.tmp";
        QTest::newRow("a save's, a day old") << "file" << saves << 25 << true;
        QTest::newRow("a save's, written within the day") << "file" << saves << 23 << false;
        QTest::newRow("another naming, a day old") << "file"
                                                   << ".0123456789abcdeF.tmp" << 25 << false;
        QTest::newRow("a save's naming and a line feed") << "file" << saves + "\n" << 25 << false;
        QTest::newRow("the importer's spool naming, a day old")
            << "file"
            << "quadrotag-import-abcdef" << 25 << false;
        QTest::newRow("a pipe of a save's naming") << "pipe" << saves << 25 << false;
        QTest::newRow("a claim's, a day old") << "file"
                                              << ".quadrotag/claims/" + saves << 25 << true;
        QTest::newRow("kept work's, a day old") << "file"
                                                << ".quadrotag/kept/ann@pc1/" + saves << 25 << true;
        QTest::newRow("a save's beside images opened by name, a day old")
            << "named" << saves << 25 << true;
        // The team folder is a link to one outside the folder listed.
        QTest::newRow("a review's behind a linked team folder")
            << "linked"
            << "reviews/" + saves << 25 << false;
    }
    void listsInTheBackgroundAndReportsOnce()
    {
        QFETCH(QString, kind);
        QFETCH(QString, leftover);
        QFETCH(int, hoursOld);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.filePath("job"), "r%1.jpg", 3));
        QVERIFY(writeFileBytes(dir.filePath("job/r1.lbl"), "0\n"));
        const QString leftoverPath =
            dir.filePath((kind == "linked" ? "outside/" : "job/") + leftover);
        QVERIFY(QDir().mkpath(QFileInfo(leftoverPath).path()));
        if (kind == "linked")
            QVERIFY(QFile::link(dir.filePath("outside"), dir.filePath("job/.quadrotag")));
        const QByteArray path = QFile::encodeName(leftoverPath);
        QVERIFY(kind == "pipe" ? mkfifo(path.constData(), 0600) == 0
                               : writeFileBytes(leftoverPath, QByteArray()));
        const timespec old{std::time(nullptr) - hoursOld * 3600, 0};
        const timespec times[2] = {old, old};
        QCOMPARE(utimensat(AT_FDCWD, path.constData(), times, 0), 0);
        FolderListing listing;
        if (kind == "named") {
            listing.startNamed({dir.filePath("job/r0.jpg")},
                               [](const QStringList&) { return NamedBatch(); });
            QTRY_COMPARE(QFileInfo::exists(leftoverPath), !removed);
            return;
        }
        QSignalSpy listed(&listing, &FolderListing::sglListed);
        listing.start(dir.filePath("job"), "last.jpg");
        QVERIFY(listing.isRunning());
        QVERIFY(listed.wait(10000));
        QVERIFY(!listing.isRunning());
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed[0], (QVariantList{dir.filePath("job"), "last.jpg"}));
        const BatchFiles batch = listing.take();
        QCOMPARE(batch.imagePaths.size(), 3);
        QCOMPARE(batch.labelled, (std::vector<bool>{false, true, false}));
        QTRY_COMPARE(FolderListing::workersUnderWay(), 0);
        QCOMPARE(QFileInfo::exists(leftoverPath), !removed);
    }

    void laterRequestReplacesAnUnfinishedOne()
    {
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.filePath("big"), "r%1.jpg", 2));
        QVERIFY(makeFiles(dir.filePath("small"), "s%1.jpg", 2));
        QVERIFY(makeFiles(dir.filePath("last"), "t%1.jpg", 1));
        auto release = std::make_shared<QSemaphore>();
        FolderListing listing(holding(dir.filePath("big"), release));
        QSignalSpy listed(&listing, &FolderListing::sglListed);
        listing.start(dir.filePath("big"), "b");
        listing.start(dir.filePath("small"), "s");
        listing.start(dir.filePath("last"), "t");
        QVERIFY(listed.wait(20000));
        release->release();
        QVERIFY(workersEnded());
        // Only the newest request is answered; the ones in between are never listed.
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed[0], (QVariantList{dir.filePath("last"), "t"}));
        QCOMPARE(listing.take().imagePaths, QStringList{dir.filePath("last/t0.jpg")});
    }

    void cancelledListingIsNotReported_data()
    {
        QTest::addColumn<bool>("startAgain");
        QTest::addColumn<bool>("named");
        QTest::newRow("cancelled") << false << false;
        QTest::newRow("started again after cancelling") << true << false;
        // Named files found in place of the folder, whose count stops with it.
        QTest::newRow("named files in its place") << false << true;
    }
    void cancelledListingIsNotReported()
    {
        QFETCH(bool, startAgain);
        QFETCH(bool, named);
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.filePath("big"), "r%1.jpg", 2));
        QVERIFY(makeFiles(dir.filePath("small"), "s%1.jpg", 2));
        auto release = std::make_shared<QSemaphore>();
        FolderListing listing(holding(dir.filePath("big"), release));
        QSignalSpy listed(&listing, &FolderListing::sglListed);
        QSignalSpy counted(&listing, &FolderListing::sglCounted);
        QSignalSpy found(&listing, &FolderListing::sglNamedFound);
        listing.start(dir.filePath("big"));
        listing.start(dir.filePath("small"));
        if (named)
            listing.startNamed({dir.filePath("small/s0.jpg")}, [release](const QStringList&) {
                release->acquire();
                return NamedBatch();
            });
        else
            listing.cancel();
        if (startAgain)
            listing.start(dir.filePath("small"), "s");
        QTest::qWait(named ? 450 : 0);
        QCOMPARE(counted.size(), 0);
        release->release(2);
        QVERIFY(workersEnded());
        QVERIFY(!listing.isRunning());
        QCOMPARE(listed.size(), startAgain ? 1 : 0);
        QCOMPARE(found.size(), named ? 1 : 0);
        if (startAgain)
            QCOMPARE(listed[0], (QVariantList{dir.filePath("small"), "s"}));
    }

    // A share that hangs keeps its worker, never the window: the listing is abandoned, and
    // what the worker finds later reaches nobody.
    void listingGoneWithItsWorkerHangingWaitsForNothing()
    {
        auto release = std::make_shared<QSemaphore>();
        auto ended = std::make_shared<std::atomic<bool>>(false);
        const int before = FolderListing::workersUnderWay();
        {
            FolderListing listing(
                [release, ended](const QString&, std::atomic<int>*, const FirstImageWish&) {
                    release->acquire();
                    ended->store(true);
                    BatchFiles found;
                    found.imagePaths << "/hung/a.jpg";
                    found.labelled = {false};
                    found.proposed = {false};
                    return found;
                });
            listing.start("/hung");
            QVERIFY(listing.isRunning());
            QCOMPARE(FolderListing::workersUnderWay(), before + 1);
        }
        QVERIFY(!ended->load());
        release->release();
        QTRY_COMPARE(FolderListing::workersUnderWay(), before);
        QVERIFY(ended->load());
        QTest::qWait(50);
    }

    // A folder named at start is listed once, early; only the first request for that very
    // folder takes the early result over, any later one lists the folder as it is then.
    void earlyListingIsTakenOverOnceBySameFolder()
    {
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.filePath("job"), "r%1.jpg", 3));
        QVERIFY(makeFiles(dir.filePath("other"), "o%1.jpg", 1));
        FolderListing::startEarly(dir.filePath("job"));
        QTRY_COMPARE(FolderListing::workersUnderWay(), 0);
        // Written after the early listing: only a listing made anew sees it.
        QVERIFY(writeFileBytes(dir.filePath("job/r1.lbl"), "0\n"));
        FolderListing listing;
        QSignalSpy listed(&listing, &FolderListing::sglListed);
        listing.start(dir.filePath("other"));
        QVERIFY(listed.wait(5000));
        QCOMPARE(listing.take().imagePaths, QStringList{dir.filePath("other/o0.jpg")});
        for (const auto& labelled :
             {std::vector<bool>{false, false, false}, std::vector<bool>{false, true, false}}) {
            listing.start(dir.filePath("job"), "s");
            QVERIFY(listed.wait(5000));
            QCOMPARE(listed.last(), (QVariantList{dir.filePath("job"), "s"}));
            QCOMPARE(listing.take().labelled, labelled);
        }
    }

    // A request replaced while its worker still runs is dropped, though it ends last.
    void replacedRequestEndingLastIsDropped()
    {
        auto release = std::make_shared<QSemaphore>();
        FolderListing listing(
            [release](const QString& folder, std::atomic<int>*, const FirstImageWish& wish) {
                wish.tell(folder + "/a.jpg");
                if (folder == "/slow")
                    release->acquire();
                BatchFiles found;
                found.imagePaths << folder + "/a.jpg";
                found.labelled = {false};
                found.proposed = {false};
                return found;
            });
        QSignalSpy listed(&listing, &FolderListing::sglListed);
        QSignalSpy told(&listing, &FolderListing::sglFirstImage);
        listing.start("/slow");
        listing.start("/quick", "q");
        QVERIFY(listed.wait(5000));
        QVERIFY(!listing.isRunning());
        QCOMPARE(listing.take().imagePaths, QStringList{"/quick/a.jpg"});
        release->release();
        QVERIFY(workersEnded());
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed[0], (QVariantList{"/quick", "q"}));
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0], (QVariantList{"/quick", "/quick/a.jpg"}));
    }

    // The early listing found its first image without knowing of a remembered one: told only
    // to a request that remembers none, before the list.
    void earlyListingTellsItsFirstImageWhenNoneIsRemembered_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<bool>("isTold");
        QTest::newRow("none remembered") << QString() << true;
        QTest::newRow("one remembered") << "r2.jpg" << false;
    }
    void earlyListingTellsItsFirstImageWhenNoneIsRemembered()
    {
        QFETCH(QString, remembered);
        QFETCH(bool, isTold);
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.filePath("job"), "r%1.jpg", 3));
        QVERIFY(writeFileBytes(dir.filePath("job/r0.lbl"), "0\n"));
        FolderListing::startEarly(dir.filePath("job"));
        FolderListing listing;
        QStringList heard;
        connect(&listing, &FolderListing::sglFirstImage, this,
                [&](const QString&, const QString& path) { heard << path; });
        connect(&listing, &FolderListing::sglListed, this, [&] { heard << "listed"; });
        listing.start(dir.filePath("job"), remembered.isEmpty() ? "" : dir.filePath(remembered));
        QTRY_VERIFY(heard.contains("listed"));
        const QStringList expected =
            isTold ? QStringList{dir.filePath("job/r1.jpg"), "listed"} : QStringList{"listed"};
        QCOMPARE(heard, expected);
    }
};

QTEST_GUILESS_MAIN(TestFolderListing)
#include "test_folderlisting.moc"
