#include "projecthistory.h"
#include "settingsmigration.h"
#include "settingssandbox.h"

#include <QtTest>

// The keys earlier versions wrote into the lower-case "quadrotag" file come into the one
// settings file once, and never over what that file holds.
class TestSettingsMigration : public QObject
{
    Q_OBJECT

private:
    // Entries are "key=value", a list's items split by "|"; an entry without "=" removes its key.
    static void write(QSettings& settings, const QStringList& entries)
    {
        for (const QString& entry : entries) {
            const QString key = entry.section('=', 0, 0);
            const QStringList items = entry.section('=', 1).split('|');
            if (!entry.contains('='))
                settings.remove(key);
            else
                settings.setValue(key, items.size() == 1 ? QVariant(items[0]) : QVariant(items));
        }
    }
    // Entries are "store:key=value", the store "old" or "one" for the user's files of either
    // name, "machine-old" or "machine-one" for the machine's.
    static void writeStores(const QStringList& entries)
    {
        for (const QString& entry : entries) {
            const QString store = entry.section(':', 0, 0);
            QSettings settings(QSettings::NativeFormat,
                               store.startsWith("machine") ? QSettings::SystemScope
                                                           : QSettings::UserScope,
                               "Quadrotag", store.endsWith("old") ? "quadrotag" : "Quadrotag");
            write(settings, {entry.section(':', 1)});
        }
    }
    // The entries of the file itself, without the marker and without anything system-wide.
    static QStringList entriesOf(QSettings& settings)
    {
        settings.setFallbacksEnabled(false);
        QStringList entries;
        for (const QString& key : settings.allKeys())
            if (key != settingsCarriedOverKey)
                entries << key + '=' + settings.value(key).toStringList().join('|');
        entries.sort();
        return entries;
    }
    static QStringList oneFileEntries()
    {
        QSettings settings;
        return entriesOf(settings);
    }
    static bool isMarked()
    {
        QSettings settings;
        settings.setFallbacksEnabled(false);
        return settings.value(settingsCarriedOverKey).toBool();
    }
    static QByteArray oldFileBytes()
    {
        QFile file(
            QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quadrotag", "quadrotag")
                .fileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void carriesOverOldKeys_data()
    {
        QTest::addColumn<QStringList>("stores");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("marked");
        const QStringList history{"projects/%2Fa/folder=/photos", "recentProjects=/a|/b"};
        QTest::newRow("old keys come over")
            << QStringList{"old:" + history[0], "old:" + history[1]} << history << true;
        QTest::newRow("a key of the one file is kept")
            << QStringList{"old:recentProjects=/old|/older", "old:view/brightness=10",
                           "one:recentProjects=/new|/newer"}
            << QStringList{"recentProjects=/new|/newer", "view/brightness=10"} << true;
        QTest::newRow("keys of both side by side")
            << QStringList{"old:recentProjects=/a|/b", "one:darkPalette=true"}
            << QStringList{"darkPalette=true", "recentProjects=/a|/b"} << true;
        QTest::newRow("escaped keys, non-Latin values")
            << QStringList{"old:projects/%2Fjob%20%D0%BF/images=/фото/a.jpg|/фото/b.jpg",
                           "old:projects/%2Fjob%20%D0%BF/shownImage=/фото/b.jpg"}
            << QStringList{"projects/%2Fjob%20%D0%BF/images=/фото/a.jpg|/фото/b.jpg",
                           "projects/%2Fjob%20%D0%BF/shownImage=/фото/b.jpg"}
            << true;
        QTest::newRow("no old file")
            << QStringList{"one:darkPalette=true"} << QStringList{"darkPalette=true"} << false;
        QTest::newRow("no file at all") << QStringList() << QStringList() << false;
        QTest::newRow("carried over before")
            << QStringList{"old:recentProjects=/a|/b", "one:darkPalette=true",
                           "one:settingsCarriedOver=true"}
            << QStringList{"darkPalette=true"} << true;
        // The machine's settings are read as defaults of either name, and are no user's keys.
        QTest::newRow("a machine-wide key of the old name stays out")
            << QStringList{"old:recentProjects=/a|/b", "machine-old:view/contrast=5"}
            << QStringList{"recentProjects=/a|/b"} << true;
        QTest::newRow("a machine-wide key of the one name holds nothing back")
            << QStringList{"old:recentProjects=/a|/b", "machine-one:recentProjects=/c|/d"}
            << QStringList{"recentProjects=/a|/b"} << true;
        QTest::newRow("a machine-wide marker holds nothing back")
            << QStringList{"old:recentProjects=/a|/b", "machine-one:settingsCarriedOver=true"}
            << QStringList{"recentProjects=/a|/b"} << true;
    }
    void carriesOverOldKeys()
    {
        QFETCH(QStringList, stores);
        QFETCH(QStringList, expected);
        QFETCH(bool, marked);
        const SettingsSandbox sandbox;
        QVERIFY(sandbox.isValid());
        writeStores(stores);
        const QByteArray oldBytes = oldFileBytes();

        carryOverOldSettings();
        QCOMPARE(oneFileEntries(), expected);
        QCOMPARE(isMarked(), marked);
        // Left as it was, for an older version that still reads it.
        QCOMPARE(oldFileBytes(), oldBytes);
    }

    void carriesOverOnlyOnce_data()
    {
        QTest::addColumn<QStringList>("since");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("a carried key removed since stays away")
            << QStringList{"one:projects/p/shownImage"} << QStringList{"recentProjects=/a|/b"};
        QTest::newRow("a carried key changed since keeps the change")
            << QStringList{"one:recentProjects=/c|/a"}
            << QStringList{"projects/p/shownImage=/r7.jpg", "recentProjects=/c|/a"};
        QTest::newRow("a key the old file gained since stays out")
            << QStringList{"old:view/brightness=3"}
            << QStringList{"projects/p/shownImage=/r7.jpg", "recentProjects=/a|/b"};
    }
    void carriesOverOnlyOnce()
    {
        QFETCH(QStringList, since);
        QFETCH(QStringList, expected);
        const SettingsSandbox sandbox;
        QVERIFY(sandbox.isValid());
        writeStores({"old:recentProjects=/a|/b", "old:projects/p/shownImage=/r7.jpg"});
        carryOverOldSettings();
        writeStores(since);

        carryOverOldSettings();
        QCOMPARE(oneFileEntries(), expected);
    }

    // Where a file system or the registry ignores case, both names are one store: here the
    // lower-case name is a link to the one file.
    void oneStoreUnderTwoNamesLosesNothing()
    {
        const SettingsSandbox sandbox;
        QVERIFY(sandbox.isValid());
        const QString path = sandbox.filePath("Quadrotag.conf");
        const QStringList entries{"darkPalette=true", "recentProjects=/a|/b"};
        {
            QSettings settings(path, QSettings::IniFormat);
            write(settings, entries);
        }
        QVERIFY(QFile::link(path, sandbox.filePath("quadrotag.conf")));
        {
            const QSettings old(sandbox.filePath("quadrotag.conf"), QSettings::IniFormat);
            QSettings current(path, QSettings::IniFormat);
            carryOverSettings(old, current);
        }
        QSettings reread(path, QSettings::IniFormat);
        QCOMPARE(entriesOf(reread), entries);
    }

    void projectHistoryReadsTheCarriedHistory()
    {
        const SettingsSandbox sandbox;
        QVERIFY(sandbox.isValid());
        const QString project = sandbox.filePath("проект 100%");
        {
            // As an earlier version wrote it.
            QCoreApplication::setApplicationName("quadrotag");
            ProjectHistory earlier;
            earlier.addRecent(project);
            earlier.rememberImages(project, {"/x/a.jpg", "/x/b.jpg"});
            earlier.rememberShownImage(project, "/x/b.jpg");
            QCoreApplication::setApplicationName("Quadrotag");
        }
        QVERIFY(ProjectHistory().recentProjects().isEmpty());
        carryOverOldSettings();
        const ProjectHistory history;
        QCOMPARE(history.recentProjects(), QStringList{QDir::cleanPath(project)});
        QCOMPARE(history.lastBatch(project),
                 (RememberedBatch{{}, {"/x/a.jpg", "/x/b.jpg"}, "/x/b.jpg"}));
    }
};

QTEST_APPLESS_MAIN(TestSettingsMigration)
#include "test_settingsmigration.moc"
