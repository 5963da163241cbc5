#include "projecthistory.h"
#include "settingssandbox.h"

#include <QtTest>

// What the settings remember of projects: the recent ones and where the work in each stopped.
class TestProjectHistory : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SettingsSandbox> dir;

    QString projectNamed(const QString& name, bool withVocabulary = true)
    {
        const QString folder = QDir::cleanPath(dir->filePath(name));
        if (!QDir().mkpath(folder))
            return QString();
        if (withVocabulary) {
            QFile tags(folder + "/tags");
            if (!tags.open(QIODevice::WriteOnly))
                return QString();
            tags.write("S1 0\n");
        }
        return folder;
    }

private slots:
    void init()
    {
        // Each test gets settings of its own, never the operator's.
        dir = std::make_unique<SettingsSandbox>();
        QVERIFY(dir->isValid());
    }
    void cleanup() { dir.reset(); }

    void keepsHistoryInTheOneSettingsFile()
    {
        const QStringList recent{dir->filePath("b"), dir->filePath("a")};
        ProjectHistory history;
        history.addRecent(recent[1]);
        history.addRecent(recent[0]);
        QCOMPARE(QSettings().value("recentProjects").toStringList(), recent);
        // Nothing goes to the lower-case file of earlier versions any more.
        const QSettings old(QSettings::NativeFormat, QSettings::UserScope, "Quadrotag",
                            "quadrotag");
        QCOMPARE(old.allKeys(), QStringList());

        QSettings().setValue("recentProjects", QStringList{recent[1]});
        QCOMPARE(ProjectHistory().recentProjects(), QStringList{recent[1]});
    }

    void keepsRecentProjects_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("most recent first")
            << QStringList{"a", "b", "c"} << QStringList{"c", "b", "a"};
        QTest::newRow("opened again moves first")
            << QStringList{"a", "b", "c", "a"} << QStringList{"a", "c", "b"};
        QTest::newRow("same folder spelt otherwise once")
            << QStringList{"a", "b", "x/../a/"} << QStringList{"a", "b"};
        QTest::newRow("same folder through a link once")
            << QStringList{"real", "b", "link"} << QStringList{"real", "b"};
        QTest::newRow("eight are all kept") << QStringList{"1", "2", "3", "4", "5", "6", "7", "8"}
                                            << QStringList{"8", "7", "6", "5", "4", "3", "2", "1"};
        QTest::newRow("the ninth drops the oldest")
            << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9"}
            << QStringList{"9", "8", "7", "6", "5", "4", "3", "2"};
    }
    void keepsRecentProjects()
    {
        QFETCH(QStringList, added);
        QFETCH(QStringList, expected);
        QVERIFY(QDir().mkpath(dir->filePath("real")));
        QVERIFY(QFile::link(dir->filePath("real"), dir->filePath("link")));
        ProjectHistory history;
        for (const QString& name : added)
            history.addRecent(dir->filePath(name));
        QStringList absolute;
        for (const QString& name : expected)
            absolute << QDir::cleanPath(dir->filePath(name));
        QCOMPARE(history.recentProjects(), absolute);
        // Another window, or the next start, reads the same list.
        QCOMPARE(ProjectHistory().recentProjects(), absolute);
    }

    void removesOneRecentProject()
    {
        ProjectHistory history;
        for (const char* name : {"a", "b", "c"})
            history.addRecent(dir->filePath(name));
        history.removeRecent(dir->filePath("b/"));
        QCOMPARE(history.recentProjects(), QStringList({dir->filePath("c"), dir->filePath("a")}));
    }

    void remembersLastBatch_data()
    {
        QTest::addColumn<QString>("projectName");
        QTest::newRow("plain") << "project";
        QTest::newRow("spaces and signs") << "my project = 100% [old]";
        QTest::newRow("non-Latin") << "проект";
    }
    void remembersLastBatch()
    {
        QFETCH(QString, projectName);
        const QString project = dir->filePath(projectName);
        const QString other = dir->filePath(projectName + "2");
        {
            ProjectHistory history;
            history.rememberFolder(project, "/photos/job");
            history.rememberShownImage(project, "/photos/job/r7.jpg");
            history.rememberImages(other, {"/x/a.jpg", "/x/b.jpg"});
            history.rememberShownImage(other, "/x/b.jpg");
        }
        const ProjectHistory reread;
        QCOMPARE(reread.lastBatch(project),
                 (RememberedBatch{"/photos/job", {}, "/photos/job/r7.jpg"}));
        QCOMPARE(reread.lastBatch(project + "/"), reread.lastBatch(project));
        QCOMPARE(reread.lastBatch(other),
                 (RememberedBatch{{}, {"/x/a.jpg", "/x/b.jpg"}, "/x/b.jpg"}));
        QVERIFY(reread.lastBatch(dir->filePath("never")).isEmpty());
    }

    void newBatchReplacesTheLast_data()
    {
        QTest::addColumn<bool>("folderFirst");
        QTest::newRow("images after a folder") << true;
        QTest::newRow("folder after images") << false;
    }
    void newBatchReplacesTheLast()
    {
        QFETCH(bool, folderFirst);
        ProjectHistory history;
        const QString project = dir->filePath("p");
        if (folderFirst)
            history.rememberFolder(project, "/f");
        else
            history.rememberImages(project, {"/i.jpg"});
        history.rememberShownImage(project, "/f/old.jpg");
        if (folderFirst)
            history.rememberImages(project, {"/i.jpg"});
        else
            history.rememberFolder(project, "/f");
        // The image last shown belonged to the batch before.
        const RememberedBatch expected =
            folderFirst ? RememberedBatch{{}, {"/i.jpg"}, {}} : RememberedBatch{"/f", {}, {}};
        QCOMPARE(history.lastBatch(project), expected);
    }

    void mostRecentProjectSkipsGoneOnes_data()
    {
        QTest::addColumn<QStringList>("states");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QStringList>("gone");
        // Listed most recent first: "ok" holds tags, "bare" is a folder without them.
        QTest::newRow("first is fine") << QStringList{"ok", "ok"} << 0 << QStringList{};
        QTest::newRow("first folder gone") << QStringList{"gone", "ok"} << 1 << QStringList{"gone"};
        QTest::newRow("first without tags")
            << QStringList{"bare", "gone", "ok", "gone"} << 2 << QStringList{"bare", "gone"};
        QTest::newRow("none left")
            << QStringList{"gone", "bare"} << -1 << QStringList{"gone", "bare"};
        QTest::newRow("no projects") << QStringList{} << -1 << QStringList{};
    }
    void mostRecentProjectSkipsGoneOnes()
    {
        QFETCH(QStringList, states);
        QFETCH(int, expected);
        QFETCH(QStringList, gone);
        ProjectHistory history;
        QStringList folders;
        for (int i = 0; i < states.size(); ++i) {
            const QString name = QString("%1%2").arg(states[i]).arg(i);
            folders << (states[i] == "gone" ? QDir::cleanPath(dir->filePath(name))
                                            : projectNamed(name, states[i] == "ok"));
        }
        for (auto folder = folders.crbegin(); folder != folders.crend(); ++folder)
            history.addRecent(*folder);

        QStringList removed;
        const QString chosen = history.mostRecentProject(removed);
        QCOMPARE(chosen, expected < 0 ? QString() : folders[expected]);
        QStringList goneFolders;
        QStringList kept = folders;
        for (int i = 0; i < states.size() && (expected < 0 || i < expected); ++i) {
            goneFolders << folders[i];
            kept.removeOne(folders[i]);
        }
        QCOMPARE(removed.size(), gone.size());
        QCOMPARE(removed, goneFolders);
        // Only what was looked at leaves the list; older entries wait for their turn.
        QCOMPARE(history.recentProjects(), kept);
    }
};

QTEST_APPLESS_MAIN(TestProjectHistory)
#include "test_projecthistory.moc"
