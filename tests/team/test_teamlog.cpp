#include "operatorname.h"
#include "operatorsaves.h"
#include "savelog.h"
#include "teampaths.h"
#include "teamtestfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

// Who the operator is, and what the logs of their saves tell.
class TestTeamLog : public QObject
{
    Q_OBJECT

private slots:
    void operatorNameIsChecked_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("64 characters") << QString(64, QLatin1Char('a')) << true;
        QTest::newRow("65 characters") << QString(65, QLatin1Char('a')) << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("letters and a space") << QStringLiteral("Zoë Ann") << true;
        QTest::newRow("64 three-byte letters") << QString(64, QChar(0x3042)) << true;
        QTest::newRow("slash") << QStringLiteral("a/b") << false;
        QTest::newRow("backslash") << QStringLiteral("a\\b") << false;
        QTest::newRow("at") << QStringLiteral("a@b") << false;
        QTest::newRow("line feed") << QStringLiteral("a\nb") << false;
        QTest::newRow("carriage return") << QStringLiteral("a\rb") << false;
        QTest::newRow("tab") << QStringLiteral("a\tb") << false;
        QTest::newRow("delete") << QStringLiteral("a\x7f") << false;
        QTest::newRow("escape") << QStringLiteral("\x1b[1m") << false;
    }
    void operatorNameIsChecked()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QCOMPARE(OperatorName::problemWith(name).isEmpty(), accepted);
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("QUADROTAG_OPERATOR"), name);
        environment.insert(QStringLiteral("USER"), QStringLiteral("login"));
        QString error;
        QCOMPARE(OperatorName::fromEnvironment(environment, &error), accepted ? name : QString());
        QCOMPARE(error.contains(QLatin1String("QUADROTAG_OPERATOR")), !accepted);
        // Their kept work and their log go to files named after them and a host name of 64
        // bytes; the log's name still tells whose it is.
        const QString kept = keptPathFor(QStringLiteral("/d/a.jpg"), name, QString(64, 'h'));
        const QString log = logPathFor(QStringLiteral("/d/a.jpg"), name, QString(64, 'h'));
        if (accepted) {
            QVERIFY(QFile::encodeName(kept.section('/', -2, -2)).size() <= 255);
            QVERIFY(QFile::encodeName(log.section('/', -1)).size() <= 255);
            QVERIFY(log.section('/', -1).startsWith(name + '@'));
        }
    }

    void loginNameServesWithoutTheVariable()
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("USER"), QStringLiteral("login"));
        QString error;
        QCOMPARE(OperatorName::fromEnvironment(environment, &error), QStringLiteral("login"));
        QVERIFY(error.isEmpty());
        environment.insert(QStringLiteral("USER"), QStringLiteral("a/b"));
        QCOMPARE(OperatorName::fromEnvironment(environment, &error), QString());
        QVERIFY(error.contains(QLatin1String("QUADROTAG_OPERATOR")));
        // Without USER and LOGNAME, the account's own name.
        QVERIFY(!OperatorName::fromEnvironment(QProcessEnvironment(), &error).isEmpty());
    }

    void saveLogAppendsOneLinePerSave()
    {
        QTemporaryDir dir;
        const QString image = dir.filePath(QStringLiteral("a b.jpg"));
        const SaveLog log(QStringLiteral("ann"), QStringLiteral("pc1"));
        const QDateTime time(QDate(2026, 12, 7), QTime(18, 30, 5), Qt::UTC);
        QVERIFY(log.append(image, 3, time));
        QVERIFY(log.append(image, 0, time.addSecs(60)));
        QVERIFY(log.append(image, 2, time.addSecs(120), 0));
        QVERIFY(log.append(image, 2, time.addSecs(180), 75));
        QCOMPARE(readAll(dir.filePath(QStringLiteral(".quadrotag/log/ann@pc1.log"))),
                 QByteArray("2026-12-07T18:30:05Z\ta b.jpg\t3\n"
                            "2026-12-07T18:31:05Z\ta b.jpg\t0\n"
                            "2026-12-07T18:32:05Z\ta b.jpg\t2\t0\n"
                            "2026-12-07T18:33:05Z\ta b.jpg\t2\t75\n"));
    }

    // A name can't end its field or its line: each save is one line, counted for its image.
    void saveLogNamesCantForgeLines_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("plain") << "a.jpg" << QByteArray("a.jpg");
        QTest::newRow("line break and a forged line")
            << "b\n2026-01-01T00:00:00Z\tforged.jpg"
            << QByteArray("b\\n2026-01-01T00:00:00Z\\tforged.jpg");
        QTest::newRow("tab") << "a\tb.jpg" << QByteArray("a\\tb.jpg");
        QTest::newRow("carriage return") << "a\rb.jpg" << QByteArray("a\\rb.jpg");
        QTest::newRow("backslash before t") << "a\\tb.jpg" << QByteArray("a\\\\tb.jpg");
    }
    void saveLogNamesCantForgeLines()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, field);
        QCOMPARE(escapeLogName(name), field);
        QCOMPARE(unescapeLogName(field), name);
        QTemporaryDir dir;
        const SaveLog log(QStringLiteral("ann"), QStringLiteral("pc1"));
        const QDateTime time(QDate(2026, 12, 7), QTime(18, 30, 5), Qt::UTC);
        QVERIFY(log.append(dir.path() + QLatin1Char('/') + name, 2, time));
        QVERIFY(log.append(dir.filePath(QStringLiteral("other.jpg")), 1, time));
        const QByteArray bytes =
            readAll(dir.filePath(QStringLiteral(".quadrotag/log/ann@pc1.log")));
        QCOMPARE(bytes.count('\n'), 2);
        OperatorSaves tally;
        tally.addLog(dir.path(), QStringLiteral("ann@pc1.log"), bytes);
        QCOMPARE(tally.tallies(),
                 (std::vector<OperatorSaves::Tally>{{QStringLiteral("ann"), 2, 2}}));
    }

    void saveLogThatCantBeWrittenSaysSo()
    {
        QTemporaryDir dir;
        QVERIFY(writeAll(dir.filePath(QStringLiteral(".quadrotag/log")), "a file, no folder"));
        const SaveLog log(QStringLiteral("ann"), QStringLiteral("pc1"));
        QVERIFY(
            !log.append(dir.filePath(QStringLiteral("a.jpg")), 1, QDateTime::currentDateTimeUtc()));
    }

    void operatorSavesCountsSavesAndDistinctImages_data()
    {
        QTest::addColumn<QByteArray>("annLog");
        QTest::addColumn<long long>("saves");
        QTest::addColumn<long long>("images");
        QTest::newRow("one save") << QByteArray("t\ta.jpg\t1\n") << 1LL << 1LL;
        QTest::newRow("one image twice") << QByteArray("t\ta.jpg\t1\nt\ta.jpg\t2\n") << 2LL << 1LL;
        QTest::newRow("two images") << QByteArray("t\ta.jpg\t1\nt\tb.jpg\t2\n") << 2LL << 2LL;
        QTest::newRow("line cut short") << QByteArray("t\ta.jpg\t1\nt\tb.jp") << 1LL << 1LL;
        QTest::newRow("count not a number") << QByteArray("t\ta.jpg\tx\n") << 0LL << 0LL;
        QTest::newRow("negative count") << QByteArray("t\ta.jpg\t-1\n") << 0LL << 0LL;
        QTest::newRow("five fields") << QByteArray("t\ta.jpg\t1\t30\tx\n") << 0LL << 0LL;
        QTest::newRow("name longer than any path")
            << ("t\t" + QByteArray(100000, 'x') + "\t1\nt\ta.jpg\t1\n") << 1LL << 1LL;
    }
    void operatorSavesCountsSavesAndDistinctImages()
    {
        QFETCH(QByteArray, annLog);
        QFETCH(long long, saves);
        QFETCH(long long, images);
        OperatorSaves tally;
        tally.addLog(QStringLiteral("/d"), QStringLiteral("zed@pc1.log"), "t\ta.jpg\t1\n");
        tally.addLog(QStringLiteral("/d"), QStringLiteral("ann@pc1.log"), annLog);
        const std::vector<OperatorSaves::Tally> tallies = tally.tallies();
        QCOMPARE(tallies.size(), std::size_t(2));
        QCOMPARE(tallies[0], (OperatorSaves::Tally{QStringLiteral("ann"), saves, images}));
        QCOMPARE(tallies[1], (OperatorSaves::Tally{QStringLiteral("zed"), 1, 1}));
    }

    // Lines of older versions count as saves, without time.
    void operatorSavesAddTheSecondsTheLinesTell_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<long long>("saves");
        QTest::addColumn<long long>("seconds");
        QTest::addColumn<long long>("timedImages");
        QTest::newRow("no time") << QByteArray("t\ta.jpg\t1\n") << 1LL << 0LL << 0LL;
        QTest::newRow("time") << QByteArray("t\ta.jpg\t1\t90\n") << 1LL << 90LL << 1LL;
        QTest::newRow("zero seconds") << QByteArray("t\ta.jpg\t1\t0\n") << 1LL << 0LL << 1LL;
        QTest::newRow("old and new lines")
            << QByteArray("t\ta.jpg\t1\nt\tb.jpg\t1\t40\nt\tb.jpg\t2\t20\n") << 3LL << 60LL << 1LL;
        QTest::newRow("time not a number")
            << QByteArray("t\ta.jpg\t1\tlong\n") << 1LL << 0LL << 0LL;
        QTest::newRow("negative time") << QByteArray("t\ta.jpg\t1\t-5\n") << 1LL << 0LL << 0LL;
        QTest::newRow("a week") << QByteArray("t\ta.jpg\t1\t604800\n") << 1LL << 604800LL << 1LL;
        QTest::newRow("more than a week")
            << QByteArray("t\ta.jpg\t1\t604801\n") << 1LL << 0LL << 0LL;
        QTest::newRow("past any number")
            << QByteArray("t\ta.jpg\t1\t99999999999999999999999\n") << 1LL << 0LL << 0LL;
    }
    void operatorSavesAddTheSecondsTheLinesTell()
    {
        QFETCH(QByteArray, log);
        QFETCH(long long, saves);
        QFETCH(long long, seconds);
        QFETCH(long long, timedImages);
        OperatorSaves tally;
        tally.addLog(QStringLiteral("/d"), QStringLiteral("ann@pc1.log"), log);
        const std::vector<OperatorSaves::Tally> tallies = tally.tallies();
        QCOMPARE(tallies.size(), std::size_t(1));
        QCOMPARE(tallies[0].saves, saves);
        QCOMPARE(tallies[0].seconds, seconds);
        QCOMPARE(tallies[0].timedImages, timedImages);
    }

    // Days by the date a line holds; a week runs from Monday, and counts each image once.
    void operatorSavesCountDaysAndWeeks_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QString>("days");
        QTest::addColumn<QString>("weeks");
        QTest::newRow("one save") << QByteArray("2026-12-07T10:00:00Z\ta.jpg\t1\t60\n")
                                  << "2026-12-07:1"
                                  << "2026-12-07:60:1";
        QTest::newRow("Sunday ends the week before")
            << QByteArray("2026-12-06T23:00:00Z\ta.jpg\t1\t60\n"
                          "2026-12-07T01:00:00Z\ta.jpg\t1\t30\n")
            << "2026-12-06:1 2026-12-07:1"
            << "2026-11-30:60:1 2026-12-07:30:1";
        QTest::newRow("one image twice in a week")
            << QByteArray("2026-12-08T10:00:00Z\ta.jpg\t1\t60\n"
                          "2026-12-09T10:00:00Z\ta.jpg\t2\t40\n")
            << "2026-12-08:1 2026-12-09:1"
            << "2026-12-07:100:1";
        QTest::newRow("no time") << QByteArray("2026-12-07T10:00:00Z\ta.jpg\t1\n") << "2026-12-07:1"
                                 << "";
        QTest::newRow("a date that can't be read") << QByteArray("t\ta.jpg\t1\t60\n") << ""
                                                   << "";
    }
    void operatorSavesCountDaysAndWeeks()
    {
        QFETCH(QByteArray, log);
        QFETCH(QString, days);
        QFETCH(QString, weeks);
        OperatorSaves tally;
        tally.addLog(QStringLiteral("/d"), QStringLiteral("ann@pc1.log"), log);
        const OperatorSaves::Tally ann = tally.tallies().at(0);
        QStringList counted;
        for (const auto& [day, saves] : ann.savesByDay)
            counted << QStringLiteral("%1:%2").arg(day.toString(Qt::ISODate)).arg(saves);
        QCOMPARE(counted.join(' '), days);
        counted.clear();
        for (const OperatorSaves::Week& week : ann.weeks)
            counted << QStringLiteral("%1:%2:%3")
                           .arg(week.monday.toString(Qt::ISODate))
                           .arg(week.seconds)
                           .arg(week.timedImages);
        QCOMPARE(counted.join(' '), weeks);
    }

    void imagesPerHourCountOnlyTimedImages_data()
    {
        QTest::addColumn<long long>("seconds");
        QTest::addColumn<long long>("timedImages");
        QTest::addColumn<double>("perHour");
        QTest::newRow("no time") << 0LL << 0LL << 0.0;
        QTest::newRow("timed images without seconds") << 0LL << 3LL << 0.0;
        QTest::newRow("one an hour") << 3600LL << 1LL << 1.0;
        QTest::newRow("thirty in half an hour") << 1800LL << 30LL << 60.0;
    }
    void imagesPerHourCountOnlyTimedImages()
    {
        QFETCH(long long, seconds);
        QFETCH(long long, timedImages);
        QFETCH(double, perHour);
        const OperatorSaves::Tally tally{QStringLiteral("ann"), 9, 9, seconds, timedImages};
        QCOMPARE(tally.imagesPerHour(), perHour);
    }

    void operatorSavesJoinHostsAndFolders()
    {
        QTemporaryDir dir;
        QVERIFY(
            writeAll(dir.filePath(QStringLiteral(".quadrotag/log/ann@pc1.log")), "t\ta.jpg\t1\n"));
        QVERIFY(
            writeAll(dir.filePath(QStringLiteral(".quadrotag/log/ann@pc2.log")), "t\ta.jpg\t2\n"));
        // The same name in another folder is another image.
        QVERIFY(writeAll(dir.filePath(QStringLiteral("sub/.quadrotag/log/ann@pc1.log")),
                         "t\ta.jpg\t1\n"));
        QVERIFY(
            writeAll(dir.filePath(QStringLiteral(".quadrotag/log/notes.txt")), "t\tb.jpg\t1\n"));
        QCOMPARE(OperatorSaves::ofDataset(dir.path()),
                 (std::vector<OperatorSaves::Tally>{{QStringLiteral("ann"), 3, 2}}));
    }
};

QTEST_GUILESS_MAIN(TestTeamLog)
#include "test_teamlog.moc"
