#include "projecthistory.h"
#include "workflowfixture.h"

#include <QtTest>

#include <optional>

// Starts the real program the way an operator does, in a folder with a vocabulary.
class TestExecutable : public QObject
{
    Q_OBJECT

private:
    // The program in this folder with this vocabulary, under this operator's name when given.
    static void start(QProcess& program, const QString& folder, const QByteArray& vocabulary,
                      const std::optional<QString>& operatorName = std::nullopt)
    {
        QFile tags(folder + "/tags");
        QVERIFY(tags.open(QIODevice::WriteOnly));
        tags.write(vocabulary);
        tags.close();
        program.setWorkingDirectory(folder);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        // The program remembers projects; the operator's own settings stay untouched.
        environment.insert("XDG_CONFIG_HOME", folder + "/.settings");
        if (operatorName)
            environment.insert("QUADROTAG_OPERATOR", *operatorName);
        program.setProcessEnvironment(environment);
        program.start(QUADROTAG_EXECUTABLE, {});
    }

private slots:
    void writesTagIndexAndKeepsRunningUntilClosed()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QProcess program;
        start(program, dir.path(), "Sofa 0 Lamp(floor) 0\nMaterial 2 Wood Leather\n");
        QVERIFY(program.waitForStarted());

        const QString index = dir.filePath("index2tag.csv");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(index).size() > 0, 10000);
        QVERIFY(!program.waitForFinished(500));
        QCOMPARE(program.state(), QProcess::Running);

        QFile written(index);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("0,0,Sofa\n0,1,Lamp\n1,1,Material: Wood\n"
                                               "1,2,Material: Leather\n"));

        program.terminate();
        QVERIFY(program.waitForFinished(5000));
    }

    // The image codecs are loaded when an image first needs them; where they can't be, the
    // program says why once and goes on.
    void keepsRunningWhereTheImageCodecsCantBeLoaded()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("broken"));
        QVERIFY(
            writeFileBytes(dir.filePath("broken/" QUADROTAG_IMGCODECS_LIBRARY), "not a library"));
        for (const char* name : {"a.png", "b.png"})
            QVERIFY(QImage(40, 30, QImage::Format_RGB32).save(dir.filePath(name)));
        QVERIFY(writeFileBytes(dir.filePath("tags"), "Sofa 0\n"));
        QProcess program;
        program.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_HOME", dir.filePath("settings"));
        environment.insert("LD_LIBRARY_PATH", dir.filePath("broken"));
        program.setProcessEnvironment(environment);
        program.start(QUADROTAG_EXECUTABLE, {"a.png", "b.png"});
        QByteArray complained;
        const QByteArray reason("OpenCV's image decoders can't be loaded: ");
        QTRY_VERIFY_WITH_TIMEOUT((complained += program.readAllStandardError()).contains(reason),
                                 10000);
        QVERIFY(!program.waitForFinished(500));
        QCOMPARE(program.state(), QProcess::Running);
        complained += program.readAllStandardError();
        QCOMPARE(complained.count(reason), 1);
        program.terminate();
        QVERIFY(program.waitForFinished(5000));
    }

    void refusesAnOperatorNameThatCantBeUsed_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("65 characters") << QString(65, QLatin1Char('a'));
        QTest::newRow("slash") << QStringLiteral("../x");
        QTest::newRow("at") << QStringLiteral("ann@pc");
        QTest::newRow("line break") << QStringLiteral("ann\nbob");
    }
    void refusesAnOperatorNameThatCantBeUsed()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QProcess program;
        start(program, dir.path(), "Sofa 0\n", name);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 2);
        QVERIFY(program.readAllStandardError().contains("QUADROTAG_OPERATOR"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"tags"});
    }

    void answersWithoutWindowOrDisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("help") << QStringList{"--help"} << 0
                              << "Usage: quadrotag [options] [FOLDER | IMAGE...]" << QString();
        QTest::newRow("version") << QStringList{"--version"} << 0 << "quadrotag " QUADROTAG_VERSION
                                 << QString();
        QTest::newRow("unknown option")
            << QStringList{"--fast"} << 2 << QString() << "quadrotag: Unknown option 'fast'.";
        QTest::newRow("missing folder") << QStringList{"nowhere"} << 2 << QString()
                                        << "quadrotag: no such file or folder: nowhere";
        QTest::newRow("missing project") << QStringList{"--project", "nowhere"} << 2 << QString()
                                         << "quadrotag: no such project folder: nowhere";
    }
    void answersWithoutWindowOrDisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QTemporaryDir dir;
        QProcess program;
        program.setWorkingDirectory(dir.path());
        // A window could not open here: the program would end with 1 and a message.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(name);
        environment.insert("XDG_CONFIG_HOME", dir.filePath("settings"));
        program.setProcessEnvironment(environment);
        program.start(QUADROTAG_EXECUTABLE, arguments);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QString printed = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString complained = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(printed.isEmpty(), out.isEmpty());
        QVERIFY2(printed.startsWith(out), qPrintable(printed));
        QCOMPARE(complained.isEmpty(), err.isEmpty());
        QVERIFY2(complained.startsWith(err), qPrintable(complained));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    }

    void opensWhatTheCommandLineNames_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("startFolder");
        QTest::addColumn<QString>("recentProject");
        QTest::addColumn<QString>("indexedProject");
        QTest::addColumn<QByteArray>("batchSize");
        QTest::addColumn<bool>("inOldSettingsFile");
        // "home" has no vocabulary, "here" and "p" have one each; job/ holds three images.
        QTest::newRow("project option") << QStringList{"--project", "../p"} << "here"
                                        << ""
                                        << "p" << QByteArray() << false;
        QTest::newRow("project option and folder")
            << QStringList{"--project", "../p", "../job"} << "here"
            << ""
            << "p" << QByteArray("3\n") << false;
        QTest::newRow("images") << QStringList{"../job/a.jpg", "../job/c.jpg"} << "here"
                                << ""
                                << "here" << QByteArray("2\n") << false;
        QTest::newRow("no arguments, folder with tags") << QStringList{} << "here"
                                                        << "p"
                                                        << "here" << QByteArray() << false;
        QTest::newRow("no arguments, folder without tags: resume")
            << QStringList{} << "home"
            << "p"
            << "p" << QByteArray("3\n") << false;
        QTest::newRow("resume from the settings file of an earlier version")
            << QStringList{} << "home"
            << "p"
            << "p" << QByteArray("3\n") << true;
        // Its project looked for, and its vocabulary read, beside the toolkit being made.
        QTest::newRow("folder that is a project") << QStringList{"../p"} << "home"
                                                  << ""
                                                  << "p" << QByteArray() << false;
        QTest::newRow("folder without tags, no project yet") << QStringList{"../job"} << "home"
                                                             << ""
                                                             << "" << QByteArray("3\n") << false;
    }
    void opensWhatTheCommandLineNames()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, startFolder);
        QFETCH(QString, recentProject);
        QFETCH(QString, indexedProject);
        QFETCH(QByteArray, batchSize);
        QFETCH(bool, inOldSettingsFile);
        QTemporaryDir dir;
        for (const char* folder : {"home", "here", "p", "job"})
            QVERIFY(QDir(dir.path()).mkdir(folder));
        QVERIFY(writeFileBytes(dir.filePath("here/tags"), "Sofa 0\n"));
        QVERIFY(writeFileBytes(dir.filePath("p/tags"), "Chair 0\n"));
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            QVERIFY(writeTestJpeg(dir.filePath("job/") + name, 40, 30, 100));
        const QString settings = dir.filePath("settings");
        if (!recentProject.isEmpty()) {
            QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings);
            // The names the program gives its one settings file, or the file of earlier versions.
            QCoreApplication::setOrganizationName("Quadrotag");
            QCoreApplication::setApplicationName(inOldSettingsFile ? "quadrotag" : "Quadrotag");
            ProjectHistory history;
            history.addRecent(dir.filePath(recentProject));
            // Gone since, and more recent: it is skipped.
            history.addRecent(dir.filePath("gone"));
            history.rememberFolder(dir.filePath(recentProject), dir.filePath("job"));
        }

        QProcess program;
        program.setWorkingDirectory(dir.filePath(startFolder));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_HOME", settings);
        program.setProcessEnvironment(environment);
        program.start(QUADROTAG_EXECUTABLE, arguments);
        QVERIFY(program.waitForStarted());
        const QString expectedIndex =
            indexedProject.isEmpty() ? QString() : dir.filePath(indexedProject + "/index2tag.csv");
        if (!expectedIndex.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(expectedIndex).size() > 0, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(program.bytesAvailable() > 0, !batchSize.isEmpty(), 10000);
        QVERIFY(!program.waitForFinished(300));
        QCOMPARE(program.readAllStandardOutput(), batchSize);
        // The toolkit is made on the thread that runs main, which Qt takes for its main thread
        // only when no other thread of the start touched an object of the toolkit first.
        const QByteArray complained = program.readAllStandardError();
        QVERIFY2(!complained.contains("not created in the main() thread"), complained.constData());
        for (const char* folder : {"home", "here", "p"}) {
            const QString index = dir.filePath(QString(folder) + "/index2tag.csv");
            QCOMPARE(QFileInfo::exists(index), index == expectedIndex);
        }
        program.terminate();
        QVERIFY(program.waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(TestExecutable)
#include "test_executable.moc"
