#include "projecthistory.h"
#include "teampaths.h"
#include "windowtest.h"
#include "workflowfixture.h"

#include <QtTest>

#include <QDockWidget>
#include <QLabel>
#include <QListView>
#include <QMenu>

#include <sys/stat.h>
#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>
#endif

// Projects in the window: opening one from the menu, the recent ones, and going back to
// where the work in one stopped.
class TestProjects : public WindowTest
{
    Q_OBJECT

private:
    // A project folder beside the images, with a vocabulary of two single tags. The images then
    // lie under no project (the fixture's vocabulary goes), so any project may open them.
    QString makeProject(const QString& name, const QByteArray& vocabulary = "Chair 0 Table 0\n")
    {
        QFile::remove(pathOf("tags"));
        const QString folder = pathOf(name);
        return QDir().mkpath(folder) && writeFileBytes(folder + "/tags", vocabulary) ? folder
                                                                                     : QString();
    }
    QMenu* recentMenu() const { return window->findChild<QMenu*>("menuRecent_Projects"); }
    QStringList recentEntries() const
    {
        emit recentMenu()->aboutToShow();
        QStringList texts;
        for (const QAction* entry : recentMenu()->actions())
            texts << entry->text();
        return texts;
    }
    QAction* recentEntry(const QString& folder) const
    {
        emit recentMenu()->aboutToShow();
        for (QAction* entry : recentMenu()->actions())
            if (entry->text() == QDir::toNativeSeparators(folder))
                return entry;
        return nullptr;
    }

private slots:
    void openProjectReadsItsVocabularyAndWritesItsIndex()
    {
        const QByteArray ownIndex = fileBytes(pathOf("index2tag.csv"));
        const QString project = makeProject("p");
        const QLabel* named = window->findChild<QLabel*>("projectLabel");
        // Started without a project, as before projects: the working folder's vocabulary.
        QCOMPARE(named->text(), QString("No project"));
        QVERIFY(window->openProject(project));
        waitForImage();
        QCOMPARE(window->project(), project);
        QCOMPARE(named->text(), QString("Project: p"));
        QCOMPARE(named->toolTip(), QDir::toNativeSeparators(project));
        QCOMPARE(table()->item(0, 0)->text(), QString("Chair"));
        QCOMPARE(table()->item(0, 1)->text(), QString("Table"));
        QCOMPARE(fileBytes(project + "/index2tag.csv"), QByteArray("0,0,Chair\n0,1,Table\n"));
        // The working directory's index stays that of its own vocabulary.
        QCOMPARE(fileBytes(pathOf("index2tag.csv")), ownIndex);
        QCOMPARE(recentEntries(), QStringList{QDir::toNativeSeparators(project)});
    }

    // The old project's image is left by its rules, then nothing of it stays on screen to be
    // edited or saved under the new vocabulary.
    void openProjectLeavesTheImageAndClosesTheOldBatch()
    {
        openBatch(batch);
        drawSquare(10, 10, 50);
        clickTag(0, 0);
        QVERIFY(!QFileInfo::exists(pathOf("a.lbl")));
        const QByteArray drawn = bytesOf(annotation());
        QVERIFY(window->openProject(makeProject("p")));
        waitForImage();
        QCOMPARE(fileBytes(pathOf("a.lbl")), drawn);
        QVERIFY(annotation().labels.empty());
        QCOMPARE(window->editHistory().count(), 0);
        QVERIFY(!window->imageSession().isOpen());
        QVERIFY(!QFileInfo::exists(claimPathFor(batch[0])));

        drawSquare(100, 100, 40);
        clickTag(0, 1);
        QCOMPARE(status(), QString("No image is open"));
        pressKey(Qt::Key_S, Qt::ControlModifier);
        pressKey(Qt::Key_Down);
        QVERIFY(annotation().labels.empty());
        QCOMPARE(fileBytes(pathOf("a.lbl")), drawn);
        // bytesOf() leaves its own file behind; no other image got one.
        QCOMPARE(QDir(dir->path()).entryList({"*.lbl"}, QDir::Files).join(","),
                 QString("a.lbl,expected.lbl"));
    }

    void projectWithoutVocabularyLeavesTheListWithMessage_data()
    {
        QTest::addColumn<bool>("folderExists");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder gone, from the list")
            << false << true << "No project folder %1; it was removed from Recent Projects.";
        QTest::newRow("folder without tags, from the list")
            << true << true << "No vocabulary \"tags\" in %1; it was removed from Recent Projects.";
        QTest::newRow("folder without tags, chosen")
            << true << false << "No vocabulary \"tags\" in %1";
    }
    void projectWithoutVocabularyLeavesTheListWithMessage()
    {
        QFETCH(bool, folderExists);
        QFETCH(bool, listed);
        QFETCH(QString, message);
        const QString kept = makeProject("kept");
        QVERIFY(window->openProject(kept));
        waitForImage();
        openBatch(batch);
        const QString folder = makeProject("old");
        QVERIFY(QFile::remove(folder + "/tags"));
        if (!folderExists)
            QVERIFY(QDir(folder).removeRecursively());
        if (listed) {
            ProjectHistory().addRecent(folder);
            QCOMPARE(recentEntries().size(), 2);
        }

        MessageBoxCloser closer;
        if (listed)
            recentEntry(folder)->trigger();
        else
            QVERIFY(!window->openProject(folder));
        QCOMPARE(closer.titles, QStringList{"Warning"});
        QCOMPARE(closer.texts, QStringList{message.arg(QDir::toNativeSeparators(folder))});
        QCOMPARE(recentEntries(), QStringList{QDir::toNativeSeparators(kept)});
        // Nothing else changed: the project, its table and the image on screen stay.
        QCOMPARE(window->project(), kept);
        QCOMPARE(table()->item(0, 0)->text(), QString("Chair"));
        QCOMPARE(status(), QString("1/3  ") + batch[0]);
    }

    void recentProjectsListsEightMostRecentFirst()
    {
        QVERIFY(!recentMenu()->isEnabled());
        QStringList expected;
        for (int i = 1; i <= 9; ++i) {
            const QString project = makeProject(QString("p%1").arg(i));
            QVERIFY(window->openProject(project));
            waitForImage();
            expected.prepend(QDir::toNativeSeparators(project));
        }
        QCOMPARE(recentEntries(), expected.mid(0, 8));
        QVERIFY(recentMenu()->isEnabled());
        // An entry opens its project.
        recentEntry(pathOf("p4"))->trigger();
        QCOMPARE(window->project(), pathOf("p4"));
        QCOMPARE(recentEntries().first(), QDir::toNativeSeparators(pathOf("p4")));
    }

    void resumesAtTheImageLastShown_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("fromMenu");
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder, at start") << true << false << QString() << "2/3  b.jpg";
        QTest::newRow("folder, from the menu") << true << true << QString() << "2/3  b.jpg";
        QTest::newRow("images, at start") << false << false << QString() << "3/3  a.jpg";
        QTest::newRow("images, from the menu") << false << true << QString() << "3/3  a.jpg";
        // The image last shown is gone: the folder starts where it would without it.
        QTest::newRow("folder, image gone") << true << false << "b.jpg"
                                            << "1/2  a.jpg";
        QTest::newRow("images, image gone") << false << false << "a.jpg"
                                            << "1/2  c.jpg";
    }
    void resumesAtTheImageLastShown()
    {
        QFETCH(bool, folder);
        QFETCH(bool, fromMenu);
        QFETCH(QString, removed);
        QFETCH(QString, expected);
        const QString project = makeProject("p");
        startIn(project);
        {
            StdoutCapture silenced;
            if (folder)
                openFolder(dir->path());
            else
                openBatch({batch[2], batch[1], batch[0]});
            pressKey(Qt::Key_Down);
            if (!folder)
                pressKey(Qt::Key_Down);
        }
        if (fromMenu) {
            QVERIFY(window->openProject(makeProject("other")));
            waitForImage();
            openBatch({batch[2]});
            recentEntry(project)->trigger();
        } else {
            window.reset();
            if (!removed.isEmpty())
                QVERIFY(QFile::remove(pathOf(removed)));
            startIn(project);
            StdoutCapture silenced;
            window->resumeProject();
        }
        const QString position = expected.section("  ", 0, 0);
        const QString name = expected.section("  ", 1);
        // A folder is listed in the background.
        QTRY_COMPARE(status(), position + "  " + pathOf(name));
    }

    // Files named as images are taken only when they are images by name and by their
    // first bytes; the others are named once on standard error. A FIFO is never opened: a
    // read from it would wait for a writer that never comes.
    void filesThatAreNoJpegImagesAreLeftOut()
    {
        QVERIFY(::mkfifo(QFile::encodeName(pathOf("fifo.jpg")).constData(), 0600) == 0);
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "0\n"));
        QVERIFY(writeFileBytes(pathOf("notes.txt"), "notes"));
        QVERIFY(writeFileBytes(pathOf("fake.jpg"), "not a JPEG"));
        QVERIFY(writeFileBytes(pathOf("short.JPG"), "\xff\xd8"));
        QVERIFY(QFile::copy(batch[1], pathOf("b.jpeg")));
        QVERIFY(QFile::copy(batch[1], pathOf("b2.JPG")));
        QVERIFY(writeFileBytes(pathOf("fake.png"), "\x89PNG"));
        StdoutCapture silenced;
        StderrCapture said;
        window->openNamedImages({batch[0], pathOf("a.lbl"), pathOf("notes.txt"), pathOf("fake.jpg"),
                                 pathOf("fifo.jpg"), pathOf("short.JPG"), pathOf("b.jpeg"),
                                 pathOf("b2.JPG"), pathOf("fake.png")});
        QTRY_VERIFY(!window->isListingFolder());
        waitForImage();
        QCOMPARE(status(), "1/3  " + batch[0]);
        QCOMPARE(said.text(),
                 ("Left out, not images: " +
                  QStringList{pathOf("a.lbl"), pathOf("notes.txt"), pathOf("fake.jpg"),
                              pathOf("fifo.jpg"), pathOf("short.JPG"), pathOf("fake.png")}
                      .join(", ") +
                  "\n")
                     .toUtf8());
        pressKey(Qt::Key_Down);
        QCOMPARE(status(), "2/3  " + pathOf("b.jpeg"));
    }

    // Images named in one folder cost one reading of its names, not a look-up for every spelling
    // of every image suffix of each (on a share, a round trip each). The system reports each open
    // of the folder itself as it happens.
    void namedImagesListTheirFolderOnce_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<int>("listings");
        QTest::newRow("images named") << true << 1;
        QTest::newRow("their folder opened") << false << 1;
    }
    void namedImagesListTheirFolderOnce()
    {
#ifdef Q_OS_LINUX
        QFETCH(bool, named);
        QFETCH(int, listings);
        QVERIFY(QFile::copy(batch[0], pathOf("a.JPG")));
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "0\n"));
        const int watcher = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(watcher >= 0);
        const auto closeWatcher = qScopeGuard([watcher] { ::close(watcher); });
        QVERIFY(::inotify_add_watch(watcher, QFile::encodeName(dir->path()).constData(), IN_OPEN) >=
                0);
        StdoutCapture silenced;
        if (named)
            window->openNamedImages({batch[1], pathOf("a.JPG"), batch[2]});
        else
            openFolder(dir->path());
        QTRY_VERIFY(!window->isListingFolder());
        waitForImage();
        QCOMPARE(status(), (named ? "1/3  " : "3/4  ") + batch[1]);
        // Events on the folder itself carry no name; those of the files in it do.
        int folderOpened = 0;
        alignas(inotify_event) char events[4096];
        for (ssize_t size; (size = ::read(watcher, events, sizeof events)) > 0;)
            for (ssize_t at = 0; at < size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                folderOpened += event->len == 0 ? 1 : 0;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        QCOMPARE(folderOpened, listings);
#else
        QSKIP("The system's reports of file access are read on Linux only");
#endif
    }

    void hiddenListShowsTheImageOnScreenWhenShown()
    {
        QStringList many;
        for (int i = 0; i < 80; ++i)
            many << batch[i % 3];
        StdoutCapture silenced;
        openBatch(many);
        for (int i = 0; i < 60; ++i)
            pressKey(Qt::Key_Down);
        QCOMPARE(status(), "61/80  " + batch[60 % 3]);
        window->findChild<QDockWidget*>("imagesDock")->show();
        auto* list = window->findChild<QListView*>("imagesView");
        QTRY_VERIFY(list->isVisible());
        QCOMPARE(list->currentIndex().row(), 60);
        QTRY_VERIFY(list->viewport()->rect().contains(list->visualRect(list->currentIndex())));
        // Scrolled there, not merely tall enough to hold every row.
        QVERIFY(!list->viewport()->rect().contains(list->visualRect(list->model()->index(0, 0))));
    }

    void startedWithoutProjectRemembersNothing()
    {
        openBatch(batch);
        QVERIFY(!QFileInfo::exists(pathOf("settings/Quadrotag/quadrotag.conf")));
        QCOMPARE(recentEntries(), QStringList{});
    }

    void changedVocabularyAsksBeforeTheIndexIsWritten_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("opened");
        QTest::newRow("quit") << "Quit" << false;
        QTest::newRow("continue") << "Continue" << true;
    }
    void changedVocabularyAsksBeforeTheIndexIsWritten()
    {
        QFETCH(QString, answer);
        QFETCH(bool, opened);
        const QString project = makeProject("p");
        const QByteArray oldIndex("0,0,Sofa\n0,1,Table\n");
        QVERIFY(writeFileBytes(project + "/index2tag.csv", oldIndex));
        openBatch(batch);

        MessageBoxCloser closer(answer);
        QCOMPARE(window->openProject(project), opened);
        QCOMPARE(closer.titles, QStringList{"Vocabulary Changed"});
        QCOMPARE(window->isVisible(), opened);
        QCOMPARE(window->project(), opened ? project : QString());
        QCOMPARE(fileBytes(project + "/index2tag.csv"),
                 opened ? QByteArray("0,0,Chair\n0,1,Table\n") : oldIndex);
        const QStringList kept = QDir(project).entryList({"index2tag-*.csv"});
        QCOMPARE(kept.size(), opened ? 1 : 0);
    }
};

QTEST_MAIN(TestProjects)
#include "test_projects.moc"
