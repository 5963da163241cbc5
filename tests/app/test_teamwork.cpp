#include "batchlistmodel.h"
#include "claim.h"
#include "labelpath.h"
#include "quadrotag.h"
#include "teampaths.h"
#include "windowtest.h"
#include "workflowfixture.h"

#include <QLabel>
#include <QListView>
#include <QProcess>
#include <QSysInfo>
#include <QtTest>

// Two operators on one folder, as the window of one of them sees it: the other one's
// claims are written by hand, for a process of this host that lives (pid 1), has ended,
// or stopped refreshing its claim.
class TestTeamwork : public WindowTest
{
    Q_OBJECT

private:
    enum Holder { Live, Ended, Old };

    static qint64 endedProcessId()
    {
        QProcess process;
        process.start("true", {});
        process.waitForStarted();
        const qint64 pid = process.processId();
        process.waitForFinished();
        return pid;
    }

    // bob's claim on this image, as his program would write it.
    Claim claimFor(const QString& imagePath, Holder holder = Live, const QString& name = "bob")
    {
        Claim claim = Claim::ofThisProcess(name);
        claim.pid = holder == Ended ? endedProcessId() : 1;
        const QString path = claimPathFor(imagePath);
        QDir().mkpath(QFileInfo(path).path());
        writeFileBytes(path, claim.toBytes());
        if (holder == Old)
            ageClaim(imagePath);
        return claim;
    }

    static void ageClaim(const QString& imagePath, qint64 seconds = Claim::staleAfterSeconds + 5)
    {
        QFile file(claimPathFor(imagePath));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-seconds),
                                 QFileDevice::FileModificationTime));
    }

    static QString heldNote(const Claim& claim)
    {
        return "Held by " + claim.operatorName + " since " +
               claim.since.toLocalTime().toString("hh:mm") + ": read only";
    }

    // The process holding the claim of this image, or 0 when there is none.
    static qint64 claimHolder(const QString& imagePath)
    {
        if (!QFile::exists(claimPathFor(imagePath)))
            return 0;
        const std::optional<Claim> claim = Claim::fromBytes(fileBytes(claimPathFor(imagePath)));
        return claim ? claim->pid : 0;
    }

    QString listText(int row) const
    {
        return window->findChild<QListView*>("imagesView")
            ->model()
            ->index(row, 0)
            .data()
            .toString();
    }

    QStringList holders() const
    {
        QStringList names;
        const QAbstractItemModel* model = window->findChild<QListView*>("imagesView")->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names << model->index(row, 0).data(BatchListModel::HolderRole).toString();
        return names;
    }

    void addTaggedShape()
    {
        drawSquare(20, 20, 50);
        clickTag(0, 0);
    }

    QList<QByteArrayList> logLines() const
    {
        QList<QByteArrayList> lines;
        const QString log = pathOf(".quadrotag/log/ann@" + QSysInfo::machineHostName() + ".log");
        if (!QFile::exists(log))
            return lines;
        for (const QByteArray& line : fileBytes(log).split('\n'))
            if (!line.isEmpty())
                lines << line.split('\t');
        return lines;
    }

private slots:
    void initTestCase() { qputenv("QUADROTAG_OPERATOR", "ann"); }

    void operatorIsShownInTheStatusBar()
    {
        QCOMPARE(window->findChild<QLabel*>("operatorLabel")->text(), QString("ann"));
        QVERIFY(window->findChild<QLabel*>("operatorLabel")->isVisible());
    }

    void heldImageShowsWhoHoldsIt_data()
    {
        QTest::addColumn<int>("holder");
        QTest::addColumn<bool>("held");
        QTest::newRow("live") << int(Live) << true;
        QTest::newRow("process ended on this host") << int(Ended) << false;
        // Its stamp may come from a clock behind: only watching it stand still tells.
        QTest::newRow("stamped two minutes ago, first sight") << int(Old) << true;
    }
    void heldImageShowsWhoHoldsIt()
    {
        QFETCH(int, holder);
        QFETCH(bool, held);
        const Claim bob = claimFor(batch[0], Holder(holder));
        openBatch(batch);
        QCOMPARE(window->windowTitle(), held ? QString("Quadrotag — held by bob") : "Quadrotag[*]");
        QCOMPARE(status(), held ? heldNote(bob) : "1/3  " + batch[0]);
        QCOMPARE(claimHolder(batch[0]), held ? bob.pid : QCoreApplication::applicationPid());
        // Looking and selecting stay free.
        viewer()->setZoom(2.0);
        QCOMPARE(viewer()->zoom(), 2.0);
        pressKey(Qt::Key_Down);
        QCOMPARE(window->windowTitle(), QString("Quadrotag[*]"));
        QCOMPARE(status(), "2/3  " + batch[1]);
        QCOMPARE(claimHolder(batch[0]), held ? bob.pid : 0);
    }

    void holdersWorkIsNeitherOfferedNorRemoved()
    {
        claimFor(batch[0]);
        const QString recovery = recoveryPathFor(labelPathFor(batch[0]));
        const QByteArray theirs = "0\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n";
        QVERIFY(writeFileBytes(recovery, theirs));
        MessageBoxCloser closer(QMessageBox::Yes);
        openBatch(batch);
        QCOMPARE(annotation().labels.size(), std::size_t(0));
        pressKey(Qt::Key_Down);
        pressKey(Qt::Key_Up);
        window->close();
        QCOMPARE(closer.titles, QStringList());
        QCOMPARE(fileBytes(recovery), theirs);
        QVERIFY(!QFile::exists(pathOf("a.lbl")));
    }

    // A verdict saves the label file first, and a pinned note belongs to a verdict: neither
    // may touch an image another operator holds.
    void reviewIsRefusedOnAHeldImage_data()
    {
        QTest::addColumn<bool>("held");
        QTest::addColumn<QKeyCombination>("key");
        QTest::newRow("accept, held") << true << QKeyCombination(Qt::CTRL | Qt::SHIFT | Qt::Key_A);
        QTest::newRow("reject, held") << true << QKeyCombination(Qt::CTRL | Qt::SHIFT | Qt::Key_R);
        QTest::newRow("accept, free") << false << QKeyCombination(Qt::CTRL | Qt::SHIFT | Qt::Key_A);
    }
    void reviewIsRefusedOnAHeldImage()
    {
        QFETCH(bool, held);
        QFETCH(QKeyCombination, key);
        const QByteArray label = "0\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n";
        QVERIFY(writeFileBytes(pathOf("a.lbl"), label));
        const Claim bob = held ? claimFor(batch[0]) : Claim();
        openBatch(batch);
        MessageBoxCloser closer(QMessageBox::Cancel);
        pressKey(key.key(), key.keyboardModifiers());
        QCOMPARE(QFile::exists(reviewPathFor(batch[0])), !held);
        QCOMPARE(fileBytes(pathOf("a.lbl")), label);
        if (held) {
            QCOMPARE(status(), heldNote(bob));
            QCOMPARE(closer.titles, QStringList());
        }
    }

    void claimIsReleasedOnLeavingAndOnClose_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("Down") << "Down";
        QTest::newRow("Ctrl+Down") << "Ctrl+Down";
        QTest::newRow("another batch") << "batch";
        QTest::newRow("close") << "close";
        QTest::newRow("window gone unclosed") << "destroyed";
        QTest::newRow("behind the next claim") << "behind";
        QTest::newRow("Up once Down took its claim") << "Down Up";
    }
    void claimIsReleasedOnLeavingAndOnClose()
    {
        QFETCH(QString, way);
        openBatch(batch);
        const qint64 self = QCoreApplication::applicationPid();
        QCOMPARE(claimHolder(batch[0]), self);
        QCOMPARE(claimHolder(batch[1]), 0);
        TeamDesk& desk = window->teamDesk();
        const auto workerDone = [&desk] {
            const QFuture<void> done = desk.runInOrder([] {});
            return QTest::qWaitFor([&done] { return done.isFinished(); });
        };
        desk.setClaimsInBackground(way == "Down Up" || way == "behind");
        if (way == "Down Up") {
            pressKey(Qt::Key_Down);
            QTRY_COMPARE(desk.hold(), EditGate::Hold::Own);
            pressKey(Qt::Key_Up);
            QTRY_COMPARE(claimHolder(batch[1]), 0);
            QTRY_COMPARE(desk.hold(), EditGate::Hold::Own);
            QCOMPARE(claimHolder(batch[0]), self);
            return;
        }
        // What stands of the claim left when the next is taken, and when the work held runs.
        auto seen = std::make_shared<std::vector<qint64>>();
        if (way == "behind") {
            desk.holdBehindNextClaim();
            desk.runInOrder([seen, a = batch[0]] { seen->push_back(claimHolder(a)); });
            desk.enter(batch[1], [seen, a = batch[0]] { seen->push_back(claimHolder(a)); });
            QVERIFY(workerDone());
            QCOMPARE(*seen, std::vector<qint64>({self, self}));
        } else if (way == "Down")
            pressKey(Qt::Key_Down);
        else if (way == "Ctrl+Down")
            pressKey(Qt::Key_Down, Qt::ControlModifier);
        else if (way == "batch")
            openBatch({batch[2]});
        else if (way == "close")
            window->close();
        else
            window.reset();
        QCOMPARE(claimHolder(batch[0]), 0);
        if (way != "close" && way != "destroyed")
            QVERIFY(claimHolder(batch[1]) == self || claimHolder(batch[2]) == self);
        else
            QCOMPARE(QDir(pathOf(".quadrotag/claims")).entryList(QDir::Files | QDir::Hidden),
                     QStringList());
    }

    void ownClaimIsRefreshedAndOthersAreLeftAlone()
    {
        openBatch(batch);
        ageClaim(batch[0]);
        const Claim bob = claimFor(batch[2]);
        const QDateTime bobTime = QFileInfo(claimPathFor(batch[2])).lastModified();
        window->teamDesk().refreshNow();
        QVERIFY(
            QFileInfo(claimPathFor(batch[0])).lastModified().secsTo(QDateTime::currentDateTime()) <
            5);
        QCOMPARE(QFileInfo(claimPathFor(batch[2])).lastModified(), bobTime);
        QCOMPARE(fileBytes(claimPathFor(batch[2])), bob.toBytes());
    }

    void heldImageBecomesEditableWhenItsClaimGoesStale()
    {
        qint64 now = 0;
        window->teamDesk().setClock([&now] { return now; });
        claimFor(batch[0]);
        openBatch(batch);
        QCOMPARE(window->windowTitle(), QString("Quadrotag — held by bob"));
        window->teamDesk().refreshNow();
        QCOMPARE(window->windowTitle(), QString("Quadrotag — held by bob"));
        // bob saved, then stopped.
        const QByteArray bobs = "3\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n";
        QVERIFY(writeFileBytes(pathOf("a.lbl"), bobs));
        now = 120000;
        window->teamDesk().refreshNow();
        QCOMPARE(window->windowTitle(), QString("Quadrotag — held by bob"));
        now = 120001;
        window->teamDesk().refreshNow();
        QCOMPARE(window->windowTitle(), QString("Quadrotag[*]"));
        QCOMPARE(status(), "1/3  " + batch[0]);
        QCOMPARE(claimHolder(batch[0]), QCoreApplication::applicationPid());
        QCOMPARE(annotation().styleIndex, 3);
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        drawSquare(200, 20, 50);
        QCOMPARE(annotation().labels.size(), std::size_t(2));
    }

    // Each folder's claims stand for its own images, however the batch mixes the folders.
    void listMarksHoldersOfEveryFolder()
    {
        QStringList mixed;
        for (const char* name : {"one/a.jpg", "two/a.jpg", "one/b.jpg", "two/b.jpg"}) {
            QVERIFY(QDir().mkpath(QFileInfo(pathOf(name)).path()));
            QVERIFY(writeTestJpeg(pathOf(name), 40, 30, 128));
            mixed << pathOf(name);
        }
        claimFor(mixed[1], Live, "cy");
        claimFor(mixed[2], Live, "dan");
        openBatch(mixed);
        QCOMPARE(holders(), QStringList({"", "cy", "dan", ""}));
    }

    void listMarksImagesHeldByOthers()
    {
        qint64 now = 0;
        window->teamDesk().setClock([&now] { return now; });
        claimFor(batch[2], Live, "cy");
        claimFor(batch[1], Old, "dan");
        openBatch(batch);
        QCOMPARE(holders(), QStringList({"", "dan", "cy"}));
        // cy's program refreshes its claim; dan's stopped.
        now = 60000;
        ageClaim(batch[2], 0);
        window->teamDesk().refreshNow();
        now = 121000;
        window->teamDesk().refreshNow();
        QCOMPARE(holders(), QStringList({"", "", "cy"}));
        QCOMPARE(listText(2), QString("c.jpg — cy"));
        QCOMPARE(listText(1), QString("b.jpg"));
        claimFor(batch[1], Live, "dan");
        QFile::remove(claimPathFor(batch[2]));
        window->teamDesk().refreshNow();
        QCOMPARE(holders(), QStringList({"", "dan", ""}));
    }

    // Within the stall, which ends after five seconds: the marks have a worker of their own.
    void listMarksArriveWhileTheClaimWorkerWaits()
    {
        openBatch(batch);
        stallShare();
        claimFor(batch[2], Live, "cy");
        emit window->teamDesk().sglHoldersMayHaveChanged();
        QTRY_COMPARE_WITH_TIMEOUT(holders(), QStringList({"", "", "cy"}), 2000);
    }

    void nextUnlabelledPassesHeldImages()
    {
        claimFor(batch[1]);
        openBatch(batch);
        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(status(), "3/3  " + batch[2]);
        claimFor(batch[0]);
        window->teamDesk().refreshNow();
        pressKey(Qt::Key_Up);
        pressKey(Qt::Key_Up);
        QCOMPARE(window->windowTitle(), QString("Quadrotag — held by bob"));
    }

    void folderStartsAtAnImageNobodyHolds_data()
    {
        QTest::addColumn<QList<int>>("held");
        QTest::addColumn<QList<int>>("labelled");
        QTest::addColumn<int>("proposed");
        QTest::addColumn<int>("start");
        QTest::newRow("nothing held") << QList<int>() << QList<int>() << -1 << 0;
        QTest::newRow("first held") << QList<int>{0} << QList<int>() << -1 << 1;
        QTest::newRow("first labelled, second held") << QList<int>{1} << QList<int>{0} << -1 << 2;
        QTest::newRow("first proposed, second held") << QList<int>{1} << QList<int>() << 0 << 2;
        QTest::newRow("held by a stopped program") << QList<int>{-1} << QList<int>() << -1 << 0;
        QTest::newRow("all held, from the first") << QList<int>{0, 1, 2} << QList<int>() << -1 << 0;
    }
    void folderStartsAtAnImageNobodyHolds()
    {
        QFETCH(QList<int>, held);
        QFETCH(QList<int>, labelled);
        QFETCH(int, proposed);
        QFETCH(int, start);
        if (proposed >= 0) {
            QVERIFY(QDir().mkpath(QFileInfo(proposalPathFor(batch[proposed])).path()));
            QVERIFY(writeFileBytes(proposalPathFor(batch[proposed]), "0\n"));
        }
        for (const int row : held)
            claimFor(batch[qAbs(row)], row < 0 ? Old : Live);
        for (const int row : labelled)
            QVERIFY(writeFileBytes(labelPathFor(batch[row]),
                                   "0\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n"));
        openFolder(dir->path());
        QCOMPARE(status().endsWith(batch[start]), !held.contains(start));
        QCOMPARE(claimHolder(batch[start]),
                 held.contains(start) ? 1 : QCoreApplication::applicationPid());
    }

    void everySaveAppendsALineToTheOperatorsLog()
    {
        openBatch(batch);
        pressKey(Qt::Key_Down);
        QCOMPARE(logLines().size(), 0);
        addTaggedShape();
        drawSquare(200, 20, 50); // untagged, so not stored
        pressKey(Qt::Key_S, Qt::ControlModifier);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(logLines().size(), 1);
        clickTag(0, 1);
        pressKey(Qt::Key_Down);
        const QList<QByteArrayList> lines = logLines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].mid(1, 2), QByteArrayList({"b.jpg", "1"}));
        QCOMPARE(lines[1].mid(1, 2), QByteArrayList({"b.jpg", "2"}));
        const QDateTime time = QDateTime::fromString(QString::fromLatin1(lines[1][0]), Qt::ISODate);
        QVERIFY(qAbs(time.secsTo(QDateTime::currentDateTimeUtc())) < 60);
        QCOMPARE(time.timeSpec(), Qt::UTC);
    }

    // The log follows the step on the claim worker; the status of the step must not hide it.
    void unloggedSaveIsSaidOverTheNextStep()
    {
        QVERIFY(QDir().mkpath(pathOf(".quadrotag")));
        QVERIFY(writeFileBytes(pathOf(".quadrotag/log"), "not a folder"));
        window->teamDesk().setClaimsInBackground(true);
        openBatch(batch);
        QTRY_VERIFY(window->teamDesk().hold() == EditGate::Hold::Own);
        addTaggedShape();
        pressKey(Qt::Key_Down);
        QTRY_VERIFY(window->teamDesk().hold() == EditGate::Hold::Own);
        QVERIFY2(status().startsWith("Saved, but the save could not be added to your log"),
                 qPrintable(status()));
    }

    // Counted from the image shown to the first save, then from that save to the next; the
    // count stands while another program has the keyboard.
    void everyLineTellsTheActiveSecondsOnItsImage()
    {
        qint64 now = 0;
        window->activeTime().setClock([&now] { return now; });
        openBatch(batch);
        now = 5000;
        pressKey(Qt::Key_Down);
        now = 25000;
        addTaggedShape();
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QEvent deactivated(QEvent::ApplicationDeactivate);
        QCoreApplication::sendEvent(qApp, &deactivated);
        now += 30000;
        clickTag(0, 1);
        now += 4000;
        pressKey(Qt::Key_S, Qt::ControlModifier);
        const QList<QByteArrayList> lines = logLines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].value(3), QByteArray("20"));
        QCOMPARE(lines[1].value(3), QByteArray("4"));
    }
};

QTEST_MAIN(TestTeamwork)
#include "test_teamwork.moc"
