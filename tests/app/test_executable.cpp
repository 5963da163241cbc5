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
};

QTEST_GUILESS_MAIN(TestExecutable)
#include "test_executable.moc"
