#include "projectfolder.h"
#include "startarguments.h"

#include <QtTest>

Q_DECLARE_METATYPE(StartArguments::Request)

// What the program's own command line asks for, before any window or display exists.
class TestStartArguments : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString previousDirectory;

    QString pathOf(const QString& name) const { return QDir::cleanPath(dir.filePath(name)); }
    // The temporary folder may itself lie behind a link.
    QString realPathOf(const QString& name) const
    {
        return QFileInfo(pathOf(name)).canonicalFilePath();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath("project"));
        QVERIFY(QDir(dir.path()).mkpath("photos"));
        QVERIFY(QDir(dir.path()).mkpath("more"));
        QVERIFY(QDir(dir.path()).mkpath("folded/tags"));
        QVERIFY(QDir(dir.path()).mkpath("project/photos/deeper"));
        // The folder the text of an undecodable project name would open.
        QVERIFY(QDir(dir.path()).mkpath("proj\xef\xbf\xbd"));
        // A project inside the project.
        QVERIFY(QDir(dir.path()).mkpath("project/inner/photos"));
        // A project inside it whose vocabulary can't be reached now (a share not mounted).
        QVERIFY(QDir(dir.path()).mkpath("project/dark/photos"));
        for (const char* name :
             {"project/tags", "project/photos/deeper/c.jpg", "proj\xef\xbf\xbd/tags",
              "project/inner/tags", "project/inner/photos/i.jpg"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        for (const char* name : {"photos/a.jpg", "photos/b.jpg", "photos/latin\xef\xbf\xbd.jpg",
                                 "photos/caf\xc3\xa9.jpg"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        // A project elsewhere whose photos are reached through links; a link inside this
        // project to them; a link that leads nowhere, in a project and outside any.
        QVERIFY(QDir(dir.path()).mkpath("elsewhere/proj/photos/deeper"));
        QVERIFY(QDir(dir.path()).mkpath("outside"));
        for (const char* name : {"elsewhere/proj/tags", "elsewhere/proj/photos/e.jpg"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        for (const auto& [link, target] :
             std::initializer_list<std::pair<const char*, const char*>>{
                 {"outside/lnk", "../elsewhere/proj/photos"},
                 {"outside/e.jpg", "../elsewhere/proj/photos/e.jpg"},
                 {"project/away", "../elsewhere/proj/photos"},
                 {"outside/gone", "../elsewhere/nothing"},
                 {"projlink", "project"},
                 {"project/gone", "../elsewhere/nothing"},
                 {"project/dark/tags", "../../elsewhere/nothing"}})
            QVERIFY(QFile::link(target, dir.filePath(link)));
        previousDirectory = QDir::currentPath();
        // Relative paths are taken from here.
        QVERIFY(QDir::setCurrent(dir.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(previousDirectory); }

    // argv as bytes: a name that is not text is never taken for the file its text names.
    void leavesOutNamesThatAreNotText_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::addColumn<QStringList>("images");
        QTest::addColumn<QStringList>("undecodable");
        QTest::addColumn<QString>("mistake");

        const QByteArray latin("photos/latin\xe9.jpg");
        QTest::newRow("among images")
            << QList<QByteArray>{"photos/a.jpg", latin} << QStringList{pathOf("photos/a.jpg")}
            << QStringList{"photos/latin\\xe9.jpg"} << QString();
        QTest::newRow("alone, beside a file its text names")
            << QList<QByteArray>{latin} << QStringList() << QStringList()
            << "name can't be read as text: photos/latin\\xe9.jpg";
        QTest::newRow("the project")
            << QList<QByteArray>{"--project", "proj\xe9", "photos/a.jpg"} << QStringList()
            << QStringList() << "name can't be read as text: proj\\xe9";
        QTest::newRow("the project, joined by =")
            << QList<QByteArray>{"--project=proj\xe9", "photos/a.jpg"} << QStringList()
            << QStringList() << "name can't be read as text: proj\\xe9";
        QTest::newRow("beside the file its text names")
            << QList<QByteArray>{"photos/latin\xef\xbf\xbd.jpg", latin}
            << QStringList{pathOf("photos/latin\ufffd.jpg")} << QStringList{"photos/latin\\xe9.jpg"}
            << QString();
        QTest::newRow("text in UTF-8")
            << QList<QByteArray>{"photos/caf\xc3\xa9.jpg"}
            << QStringList{pathOf("photos/caf\u00e9.jpg")} << QStringList() << QString();
    }
    void leavesOutNamesThatAreNotText()
    {
        QFETCH(QList<QByteArray>, arguments);
        QFETCH(QStringList, images);
        QFETCH(QStringList, undecodable);
        QFETCH(QString, mistake);
        const StartArguments parsed =
            parseStartArgumentBytes(QList<QByteArray>{"quadrotag"} + arguments);
        QCOMPARE(parsed.request, mistake.isEmpty() ? StartArguments::Request::Open
                                                   : StartArguments::Request::Mistake);
        QCOMPARE(parsed.images, images);
        QCOMPARE(parsed.undecodable, undecodable);
        if (!mistake.isEmpty())
            QCOMPARE(parsed.text, QString("quadrotag: %1\nTry 'quadrotag --help'.\n").arg(mistake));
    }

    void readsRequest_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<StartArguments::Request>("request");
        QTest::addColumn<QString>("project");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("images");

        using R = StartArguments::Request;
        const QString none;
        QTest::newRow("nothing") << QStringList{} << R::Open << none << none << QStringList{};
        QTest::newRow("a folder") << QStringList{"photos"} << R::Open << none << pathOf("photos")
                                  << QStringList{};
        QTest::newRow("images in the given order")
            << QStringList{"photos/b.jpg", "./photos/a.jpg"} << R::Open << none << none
            << QStringList{pathOf("photos/b.jpg"), pathOf("photos/a.jpg")};
        QTest::newRow("project and folder")
            << QStringList{"--project", "project", "photos"} << R::Open << pathOf("project")
            << pathOf("photos") << QStringList{};
        QTest::newRow("project with =") << QStringList{"--project=project/"} << R::Open
                                        << pathOf("project") << none << QStringList{};
        QTest::newRow("help") << QStringList{"--help"} << R::Help << none << none << QStringList{};
        QTest::newRow("help wins over a missing path")
            << QStringList{"-h", "nowhere"} << R::Help << none << none << QStringList{};
        QTest::newRow("version") << QStringList{"--version"} << R::Version << none << none
                                 << QStringList{};
        QTest::newRow("short version")
            << QStringList{"-v"} << R::Version << none << none << QStringList{};
        QTest::newRow("unknown option")
            << QStringList{"--fast"} << R::Mistake << none << none << QStringList{};
        QTest::newRow("project without its folder")
            << QStringList{"--project"} << R::Mistake << none << none << QStringList{};
        QTest::newRow("missing project")
            << QStringList{"--project", "nowhere"} << R::Mistake << none << none << QStringList{};
        QTest::newRow("project that is a file") << QStringList{"--project", "photos/a.jpg"}
                                                << R::Mistake << none << none << QStringList{};
        QTest::newRow("project without tags")
            << QStringList{"--project", "more"} << R::Mistake << none << none << QStringList{};
        QTest::newRow("project whose tags is a folder")
            << QStringList{"--project", "folded"} << R::Mistake << none << none << QStringList{};
        QTest::newRow("missing image") << QStringList{"photos/a.jpg", "photos/c.jpg"} << R::Mistake
                                       << none << none << QStringList{};
        QTest::newRow("folder and image")
            << QStringList{"photos", "photos/a.jpg"} << R::Mistake << none << none << QStringList{};
        QTest::newRow("image and folder")
            << QStringList{"photos/a.jpg", "photos"} << R::Mistake << none << none << QStringList{};
        QTest::newRow("two folders")
            << QStringList{"photos", "more"} << R::Mistake << none << none << QStringList{};
    }
    void readsRequest()
    {
        QFETCH(QStringList, arguments);
        QFETCH(StartArguments::Request, request);
        QFETCH(QString, project);
        QFETCH(QString, folder);
        QFETCH(QStringList, images);

        // A lone name is told, for listing, as exactly the folder it turns out to be.
        QStringList told;
        const StartArguments parsed = parseStartArguments(
            QStringList{"quadrotag"} + arguments, [&told](const QString& path) { told << path; });
        if (!folder.isEmpty())
            QCOMPARE(told, QStringList{folder});
        if (images.size() > 1)
            QVERIFY(told.isEmpty());
        QCOMPARE(parsed.request, request);
        QCOMPARE(parsed.projectFolder, project);
        QCOMPARE(parsed.folder, folder);
        QCOMPARE(parsed.images, images);
        if (request == StartArguments::Request::Open)
            QCOMPARE(parsed.isBare(), arguments.isEmpty());
    }

    void tellsWhatWentWrong_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << QStringList{"--fast"} << "Unknown option 'fast'.";
        QTest::newRow("missing project")
            << QStringList{"--project", "nowhere"} << "no such project folder: nowhere";
        QTest::newRow("missing image")
            << QStringList{"photos/c.jpg"} << "no such file or folder: photos/c.jpg";
        QTest::newRow("project without tags")
            << QStringList{"--project", "more"}
            << "no readable vocabulary \"tags\" in the project folder: more";
        QTest::newRow("folder among images") << QStringList{"photos/a.jpg", "photos"}
                                             << "give one folder or image files, not both: photos";
        // Looked at side by side, told in the order given.
        QTest::newRow("missing image before a folder")
            << QStringList{"photos/c.jpg", "photos"} << "no such file or folder: photos/c.jpg";
    }
    void tellsWhatWentWrong()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const StartArguments parsed = parseStartArguments(QStringList{"quadrotag"} + arguments);
        QCOMPARE(parsed.text, QString("quadrotag: %1\nTry 'quadrotag --help'.\n").arg(message));
    }

    // Without --project: the working folder when it holds "tags", else the nearest folder above
    // what is opened that does, else none (the most recent project is main's to find).
    void findsTheProjectOfAStart_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("working");
        QTest::addColumn<QString>("project");
        // Found above what is opened, or none is above it: the batch needs no look for its project.
        QTest::addColumn<bool>("known");
        QTest::newRow("working folder holds tags")
            << QStringList{"project/photos/deeper"} << "project" << pathOf("project") << true;
        QTest::newRow("working folder wins over the folder's")
            << QStringList{"photos"} << "project" << pathOf("project") << true;
        QTest::newRow("folder inside a project")
            << QStringList{"project/photos/deeper"} << "more" << pathOf("project") << true;
        QTest::newRow("folder of a project inside the working folder's")
            << QStringList{"project/inner/photos"} << "project" << pathOf("project/inner") << true;
        QTest::newRow("the project folder itself")
            << QStringList{"project"} << "more" << pathOf("project") << true;
        QTest::newRow("image inside a project")
            << QStringList{"project/photos/deeper/c.jpg", "photos/a.jpg"} << "more"
            << pathOf("project") << true;
        QTest::newRow("first image outside any project")
            << QStringList{"photos/a.jpg", "project/photos/deeper/c.jpg"} << "more" << QString()
            << true;
        QTest::newRow("tags that is a folder is none")
            << QStringList{"folded"} << "more" << QString() << true;
        QTest::newRow("nothing given") << QStringList{} << "more" << QString() << false;
        QTest::newRow("project given") << QStringList{"--project", "project", "photos"} << "more"
                                       << pathOf("project") << false;
        QTest::newRow("linked folder inside a project")
            << QStringList{"outside/lnk/deeper"} << "more" << realPathOf("elsewhere/proj") << true;
        QTest::newRow("linked folder inside a project, of another project")
            << QStringList{"project/away"} << "more" << realPathOf("elsewhere/proj") << true;
    }
    void findsTheProjectOfAStart()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, working);
        QFETCH(QString, project);
        QFETCH(bool, known);
        const StartArguments parsed = parseStartArguments(QStringList{"quadrotag"} + arguments);
        QCOMPARE(parsed.request, StartArguments::Request::Open);
        bool openedKnown = !known;
        QCOMPARE(projectForStart(parsed, pathOf(working), &openedKnown), project);
        QCOMPARE(openedKnown, known);
        // Looked at before, as a start does beside its toolkit: the same, and not looked at again.
        openedKnown = !known;
        const OpenedProject early = openedProjectOf(openedByStart(parsed));
        QCOMPARE(projectForStart(parsed, pathOf(working), &openedKnown, early), project);
        QCOMPARE(openedKnown, known);
        if (parsed.projectFolder.isEmpty())
            QCOMPARE(
                projectForStart(parsed, pathOf(working), nullptr, OpenedProject{"/held", true}),
                QString("/held"));
    }

    // Images reached through links, and links that lead nowhere (a start refuses them), asked
    // of the search itself; and whether a batch of "project" may hold them.
    void projectAboveFollowsLinksAfterThePathGiven_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("project");
        QTest::addColumn<bool>("ofAnother");
        QTest::newRow("image in a linked folder")
            << "outside/lnk/e.jpg" << realPathOf("elsewhere/proj") << true;
        QTest::newRow("linked image") << "outside/e.jpg" << realPathOf("elsewhere/proj") << true;
        QTest::newRow("dangling link in a project") << "project/gone" << pathOf("project") << false;
        QTest::newRow("dangling link outside any project") << "outside/gone" << QString() << false;
        QTest::newRow("image of a project inside the project")
            << "project/inner/photos/i.jpg" << pathOf("project/inner") << true;
        QTest::newRow("image of another project through a link inside the project")
            << "project/away/e.jpg" << realPathOf("elsewhere/proj") << true;
        QTest::newRow("image of a project inside whose tags can't be read")
            << "project/dark/photos/d.jpg" << pathOf("project/dark") << true;
        QTest::newRow("image of the project reached through a link")
            << "projlink/photos/deeper/c.jpg" << pathOf("project") << false;
    }
    void projectAboveFollowsLinksAfterThePathGiven()
    {
        QFETCH(QString, path);
        QFETCH(QString, project);
        QFETCH(bool, ofAnother);
        QCOMPARE(projectAbove(pathOf(path)), project);
        // Looked at side by side, each path with its own folder.
        QCOMPARE(pathsOfOtherProjects({pathOf("project"), pathOf(path)}, pathOf("project")),
                 ofAnother ? QStringList{pathOf(path)} : QStringList());
    }

    void helpNamesOptionsAndExitCodes()
    {
        const QString help = parseStartArguments({"/usr/bin/quadrotag", "--help"}).text;
        QVERIFY2(help.startsWith("Usage: quadrotag [options] [FOLDER | IMAGE...]\n"),
                 qPrintable(help));
        QVERIFY2(!help.contains("--help-all"), "Qt's own options are not taken");
        for (const char* part : {"--project <DIR>", "--version", "index2tag.csv",
                                 "2 for an unusable command line", "most recent project"})
            QVERIFY2(help.contains(part), part);
    }

    void versionIsTheProgramsOwn()
    {
        QCOMPARE(parseStartArguments({"quadrotag", "--version"}).text,
                 QString("quadrotag %1\n").arg(QUADROTAG_VERSION));
    }
};

QTEST_APPLESS_MAIN(TestStartArguments)
#include "test_startarguments.moc"
