#include "claim.h"
#include "folderlisting.h"
#include "teampaths.h"
#include "windowtest.h"
#include "workflowfixture.h"

#include <QLabel>
#include <QSemaphore>
#include <QThread>
#include <QtTest>

// A folder listed in the window: what shows while it is listed, and what the batch holds when
// the list is done.
class TestListingWindow : public WindowTest
{
    Q_OBJECT

private:
    // A project folder beside the images, with a vocabulary of two single tags.
    QString makeProject(const QString& name)
    {
        const QString folder = pathOf(name);
        return QDir().mkpath(folder) && writeFileBytes(folder + "/tags", "Chair 0 Table 0\n")
                   ? folder
                   : QString();
    }

private slots:
    void listedFolderOpensAsOpenFolderDoes_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        // The image on screen, b.jpg, is saved before the listing, so the list ticks it and
        // the folder starts at the next image without a label file.
        QTest::newRow("folder of the image on screen") << "."
                                                       << "3/3  c.jpg";
        QTest::newRow("folder without images") << "empty"
                                               << "No images in %1";
        QTest::newRow("folder that is gone") << "gone"
                                             << "%1 is gone";
        // Its label files would take this vocabulary's cells for its own.
        QTest::newRow("folder of another project")
            << "p"
            << "%1 belongs to the project %1: open that project to label it";
    }
    void listedFolderOpensAsOpenFolderDoes()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        const QString path = QDir::cleanPath(pathOf(folder));
        makeProject("p");
        QVERIFY(QDir().mkpath(pathOf("empty")));
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "0\n"));
        StdoutCapture silenced;
        openBatch({batch[1]});
        drawSquare(10, 10, 50);
        clickTag(0, 0);
        window->listFolder(path);
        // A folder refused leaves the image on screen as it was.
        QCOMPARE(QFileInfo::exists(pathOf("b.lbl")), !expected.startsWith("%1"));
        if (expected.contains("%1")) {
            QTRY_COMPARE(status(), expected.arg(path));
            return;
        }
        QTRY_COMPARE(status(),
                     expected.section("  ", 0, 0) + "  " + pathOf(expected.section("  ", 1)));
        QCOMPARE(window->findChild<QLabel*>("progressLabel")->text(), QString("2 of 3 labelled"));
    }

    // The count of a listing gives way to what follows it: the batch, a warning that left
    // nothing on screen, or the open or project that took its place.
    void listingCountGivesWayWhenTheListingEnds_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first image shown") << "listed"
                                           << "1/3  a.jpg";
        QTest::newRow("first image can't be decoded") << "undecodable"
                                                      << "";
        QTest::newRow("a note shown meanwhile stays") << "note"
                                                      << "No active shape to copy";
        QTest::newRow("no images") << "empty"
                                   << "No images in %1";
        QTest::newRow("another batch opened") << "images"
                                              << "1/1  c.jpg";
        QTest::newRow("another project opened") << "project"
                                                << "";
    }
    void listingCountGivesWayWhenTheListingEnds()
    {
        QFETCH(QString, ending);
        QFETCH(QString, expected);
        const QString folder = ending == "empty" ? pathOf("empty") : dir->path();
        QVERIFY(QDir().mkpath(pathOf("empty")));
        const bool undecodable = ending == "undecodable" || ending == "note";
        if (undecodable)
            QVERIFY(writeFileBytes(pathOf("0.jpg"), "not a JPEG"));
        auto* listing = window->findChild<FolderListing*>();
        QVERIFY(listing);
        StdoutCapture silenced;
        MessageBoxCloser closer;
        window->listFolder(folder);
        // As the listing's timer reports it; the result waits for the event loop.
        emit listing->sglCounted(folder, 2);
        QCOMPARE(status(), "Listing " + QDir::toNativeSeparators(folder) + ": 2 images");
        if (ending == "images")
            openBatch({batch[2]});
        if (ending == "project")
            QVERIFY(window->openProject(makeProject("p")));
        if (ending == "note")
            pressKey(Qt::Key_C, Qt::ControlModifier);
        if (undecodable)
            QTRY_COMPARE(closer.titles, QStringList{"Warning"});
        QTRY_VERIFY(!listing->isRunning());
        waitForImage();
        QCOMPARE(closer.titles.size(), undecodable ? 1 : 0);
        // A position names its image's path; a note its folder's.
        const QString image = expected.section("  ", 1);
        QCOMPARE(status(), image.isEmpty() ? expected.replace("%1", folder)
                                           : expected.section("  ", 0, 0) + "  " + pathOf(image));
    }

    // The listing may have read the folder before the image on screen was saved; the save
    // still shows in the new batch.
    void saveWhileListingShowsInTheNewBatch_data()
    {
        QTest::addColumn<bool>("savedByKey");
        QTest::newRow("saved with the key") << true;
        QTest::newRow("saved as the listed batch opens") << false;
    }
    void saveWhileListingShowsInTheNewBatch()
    {
        QFETCH(bool, savedByKey);
        StdoutCapture silenced;
        openBatch({batch[1]});
        window->listFolder(dir->path());
        // Three names are listed well within this; the result waits for the event loop.
        QThread::msleep(300);
        drawSquare(10, 10, 50);
        clickTag(0, 0);
        if (savedByKey)
            pressKey(Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(status(), "1/3  " + batch[0]);
        QVERIFY(QFileInfo::exists(pathOf("b.lbl")));
        QCOMPARE(window->findChild<QLabel*>("progressLabel")->text(), QString("1 of 3 labelled"));
    }

    // The image the folder starts at is on screen before the folder's list is made; the list
    // then forms around it, and nothing done to it in between is lost or read again.
    void imageShownWhileItsFolderIsListed_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("expected");
        QTest::newRow("edited") << "edit"
                                << "2/3  b.jpg  1 of 3 labelled";
        QTest::newRow("saved") << "save"
                               << "2/3  b.jpg  2 of 3 labelled";
        QTest::newRow("Down pressed") << "down"
                                      << "2/3  b.jpg  1 of 3 labelled";
        QTest::newRow("another project opened") << "switch"
                                                << "-";
        // Its holders are looked at behind the paint, like any batch's.
        QTest::newRow("taken by another program") << "taken"
                                                  << "2/3  b.jpg  1 of 3 labelled";
        QTest::newRow("held by another when shown") << "held"
                                                    << "3/3  c.jpg  1 of 3 labelled";
        QTest::newRow("remembered, with a proposal") << "proposal"
                                                     << "2/3  b.jpg  1 of 3 labelled, 1 proposed";
        QTest::newRow("Open Images closed without a choice") << "no choice"
                                                             << "2/3  b.jpg  1 of 3 labelled";
        // The image left is saved as the named ones are opened: its row is ticked.
        QTest::newRow("images named") << "named"
                                      << "1/2  c.jpg  1 of 2 labelled";
    }
    void imageShownWhileItsFolderIsListed()
    {
        QFETCH(QString, meanwhile);
        QFETCH(QString, expected);
        auto release = std::make_shared<QSemaphore>();
        // Holds each listing after it told its first image, until released.
        FolderListing::useLister(
            [release](const QString& folder, std::atomic<int>* found, const FirstImageWish& wish) {
                FirstImageWish holding = wish;
                holding.tell = [&wish, release](const QString& path) {
                    wish.tell(path);
                    release->acquire();
                };
                return listFolderImages(folder, found, holding);
            });
        const auto restore = qScopeGuard([release] {
            FolderListing::useLister({});
            release->release(8);
        });
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "0\n"));
        window.reset();
        startIn(QString());
        const bool proposed = meanwhile == "proposal";
        if (proposed)
            QVERIFY(QDir().mkpath(pathOf(".proposals")) &&
                    writeFileBytes(pathOf(".proposals/b.lbl"), "0\n4 1 1 9 1 9 9 1 9 \n1 0 0 \n"));
        Claim bob = Claim::ofThisProcess(QStringLiteral("bob"));
        bob.host = QStringLiteral("desk9");
        if (meanwhile == "held")
            QVERIFY(QDir().mkpath(QFileInfo(claimPathFor(batch[1])).path()) &&
                    writeFileBytes(claimPathFor(batch[1]), bob.toBytes()));
        StdoutCapture silenced;
        window->listFolder(dir->path(), proposed ? batch[1] : QString());
        const QLabel* progress = window->findChild<QLabel*>("progressLabel");
        // The listing's count replaces the status line now and then: the session tells.
        QTRY_COMPARE(window->imageSession().imagePath(), batch[1]);
        QCOMPARE(progress->text(), proposed ? "0 of 1 labelled, 1 proposed" : "0 of 1 labelled");
        if (meanwhile == "edit" || meanwhile == "save" || meanwhile == "named") {
            drawSquare(10, 10, 50);
            clickTag(0, 0);
        }
        if (meanwhile == "save")
            pressKey(Qt::Key_S, Qt::ControlModifier);
        if (meanwhile == "down")
            pressKey(Qt::Key_Down);
        if (meanwhile == "no choice" || meanwhile == "named")
            window->openNamedImages(meanwhile == "named" ? QStringList{batch[2], batch[1]}
                                                         : QStringList());
        if (meanwhile == "switch")
            QVERIFY(window->openProject(makeProject("p")));
        if (meanwhile == "taken") {
            QVERIFY(QFile::remove(claimPathFor(batch[1])));
            QVERIFY(writeFileBytes(claimPathFor(batch[1]), bob.toBytes()));
        }
        release->release();
        if (expected == "-") {
            QTRY_COMPARE(FolderListing::workersUnderWay(), 0);
            QTest::qWait(50);
            QVERIFY(!status().startsWith("2/3"));
            QVERIFY(annotation().labels.empty());
            return;
        }
        QTRY_COMPARE(status(),
                     expected.section("  ", 0, 0) + "  " + pathOf(expected.section("  ", 1, 1)));
        QCOMPARE(progress->text(), expected.section("  ", 2));
        // The shape drawn in between is the image's still, saved or not.
        const bool drawn = meanwhile == "edit" || meanwhile == "save" || proposed;
        QCOMPARE(annotation().labels.size(), std::size_t(drawn ? 1 : 0));
    }

    void batchOpenedWhileListingStays()
    {
        StdoutCapture silenced;
        window->listFolder(dir->path());
        openBatch({batch[2]});
        // The listing's worker has ended, and what it posted before ending has arrived.
        QTRY_COMPARE(FolderListing::workersUnderWay(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(status(), "1/1  " + batch[2]);
    }
};

QTEST_MAIN(TestListingWindow)
#include "test_listingwindow.moc"
