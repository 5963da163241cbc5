#include "labelfile.h"

#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Label makeLabel(std::vector<QPoint> points, std::vector<std::pair<int, int>> tags)
{
    Label label;
    label.points = std::move(points);
    label.tags = std::move(tags);
    return label;
}

ImageAnnotation workedExample()
{
    ImageAnnotation annotation;
    annotation.styleIndex = 1;
    annotation.labels = {
        makeLabel({{120, 80}, {360, 80}, {360, 300}, {120, 300}}, {{2, 1}, {2, 3}}),
        makeLabel({{15, 15}, {60, 15}, {60, 50}, {15, 50}}, {}),
        makeLabel({{400, 310}, {520, 305}, {530, 420}, {395, 430}}, {{5, 0}}),
    };
    return annotation;
}

const QByteArray workedExampleBytes = "1\n"
                                      "4 120 80 360 80 360 300 120 300 \n"
                                      "2 2 1 2 3 \n"
                                      "4 400 310 520 305 530 420 395 430 \n"
                                      "1 5 0 \n";

ImageAnnotation manyTaggedShapes(int count)
{
    ImageAnnotation annotation;
    for (int i = 0; i < count; ++i)
        annotation.labels.push_back(
            makeLabel({{i, i}, {i + 100, i}, {i + 100, i + 100}, {i, i + 100}}, {{i % 7, 1}}));
    return annotation;
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

// Makes every write beyond `bytes` fail with EFBIG instead of killing the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &previous);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = previous;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }

private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
};

// Makes every file opened from now on fail with EMFILE, for root too.
class DescriptorLimit
{
public:
    DescriptorLimit()
    {
        ::getrlimit(RLIMIT_NOFILE, &previous);
        const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::close(lowestFree);
        rlimit limited = previous;
        limited.rlim_cur = rlim_t(lowestFree);
        ::setrlimit(RLIMIT_NOFILE, &limited);
    }
    ~DescriptorLimit() { ::setrlimit(RLIMIT_NOFILE, &previous); }

private:
    rlimit previous{};
};

} // namespace

class TestLabelFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString pathFor(const QString& name) const { return dir.filePath(name); }

    ImageAnnotation readBack(const QByteArray& bytes, bool* readToEnd = nullptr)
    {
        const QString path = pathFor("read.lbl");
        writeBytes(path, bytes);
        ImageAnnotation annotation;
        bool complete = false;
        if (!readLabelFile(annotation, local(path), complete))
            qWarning("readLabelFile failed");
        if (readToEnd)
            *readToEnd = complete;
        return annotation;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        ::umask(022);
    }

    void writesTheWorkedExampleByteForByte()
    {
        const QString path = pathFor("example.lbl");
        QVERIFY(writeLabelFile(workedExample(), local(path)));
        QCOMPARE(contentsOf(path), workedExampleBytes);
    }

    void writesOnlyTheStyleLineWhenNoShapeIsTagged()
    {
        ImageAnnotation annotation;
        annotation.labels = {makeLabel({{1, 1}, {5, 1}, {5, 5}, {1, 5}}, {})};
        const QString path = pathFor("untagged.lbl");
        QVERIFY(writeLabelFile(annotation, local(path)));
        QCOMPARE(contentsOf(path), QByteArray("0\n"));
    }

    void writesAndReadsNegativeNumbers()
    {
        ImageAnnotation annotation;
        annotation.styleIndex = -1;
        annotation.labels = {makeLabel({{-12, -3}, {40, -3}, {40, 9}, {-12, 9}}, {{-1, 0}})};
        const QString path = pathFor("negative.lbl");
        QVERIFY(writeLabelFile(annotation, local(path)));
        QCOMPARE(contentsOf(path), QByteArray("-1\n4 -12 -3 40 -3 40 9 -12 9 \n1 -1 0 \n"));

        ImageAnnotation back;
        QVERIFY(readLabelFile(back, local(path)));
        QCOMPARE(back, annotation);
    }

    void readsTheWorkedExampleWithoutTheUntaggedShape()
    {
        const ImageAnnotation back = readBack(workedExampleBytes);
        ImageAnnotation expected = workedExample();
        expected.labels.erase(expected.labels.begin() + 1);
        QCOMPARE(back, expected);
    }

    void readerToleratesLayout_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("styleIndex");
        QTest::addColumn<int>("labelCount");
        QTest::addColumn<bool>("readToEnd");

        QTest::newRow("bare style index") << QByteArray("7\n") << 7 << 0 << true;
        QTest::newRow("style without line end") << QByteArray("9") << 9 << 0 << true;
        QTest::newRow("empty file") << QByteArray() << 0 << 0 << true;
        QTest::newRow("only white space") << QByteArray(" \n\t \r\n") << 0 << 0 << true;
        QTest::newRow("one line")
            << QByteArray("1 4 120 80 360 80 360 300 120 300 2 2 1 2 3 4 400 310 520 305 530 "
                          "420 395 430 1 5 0")
            << 1 << 2 << true;
        QTest::newRow("tabs") << QByteArray("1\t4\t120\t80\t360\t80\t360\t300\t120\t300\t2\t2\t1\t"
                                            "2\t3\t4\t400\t310\t520\t305\t530\t420\t395\t430\t1\t5"
                                            "\t0\t")
                              << 1 << 2 << true;
        QTest::newRow("CR LF") << QByteArray(workedExampleBytes).replace("\n", "\r\n") << 1 << 2
                               << true;
        QTest::newRow("word after complete shape") << workedExampleBytes + "done\n"
                                                   << 1 << 2 << false;
        QTest::newRow("word instead of style")
            << QByteArray("abc 4 1 1 2 2 3 3 4 4 1 0 0") << 0 << 0 << false;
        QTest::newRow("style out of 32-bit range")
            << QByteArray("2147483648\n4 1 1 2 2 3 3 4 4 1 0 0 \n") << 0 << 0 << false;
        QTest::newRow("style index beyond the names") << QByteArray("42\n") << 42 << 0 << true;
        QTest::newRow("shape with zero points") << QByteArray("3\n0 \n1 2 5 \n") << 3 << 1 << true;
    }

    void readerToleratesLayout()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, styleIndex);
        QFETCH(int, labelCount);
        QFETCH(bool, readToEnd);
        bool complete = !readToEnd;
        const ImageAnnotation back = readBack(bytes, &complete);
        QCOMPARE(complete, readToEnd);
        QCOMPARE(back.styleIndex, styleIndex);
        QCOMPARE(int(back.labels.size()), labelCount);
        for (const Label& label : back.labels)
            QVERIFY(label.text.isEmpty());
    }

    void aFolderIsNeverReadToItsEnd()
    {
        // It opens, but every read fails: that must not pass for an empty label file.
        QVERIFY(QDir().mkpath(pathFor("folder.lbl")));
        ImageAnnotation annotation;
        bool readToEnd = true;
        readLabelFile(annotation, local(pathFor("folder.lbl")), readToEnd);
        QVERIFY(!readToEnd);
    }

    void readerKeepsCompleteShapesAndDropsTheBrokenOne_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("points run out") << QByteArray("4 1 1 2 2 3");
        QTest::newRow("huge point count") << QByteArray("2000000000 1 2");
        QTest::newRow("tag count missing") << QByteArray("4 1 1 2 2 3 3 4 4");
        QTest::newRow("huge tag count") << QByteArray("4 1 1 2 2 3 3 4 4 2000000000 1 1");
        QTest::newRow("coordinate out of range") << QByteArray("4 1 1 2 2 3 99999999999 4 4 1 0 0");
        QTest::newRow("letters in a tag") << QByteArray("4 1 1 2 2 3 3 4 4 1 x 0");
        QTest::newRow("negative counts skip their lists") << QByteArray("-3 -1 word");
    }

    void readerKeepsCompleteShapesAndDropsTheBrokenOne()
    {
        QFETCH(QByteArray, tail);
        bool complete = true;
        const ImageAnnotation back = readBack(workedExampleBytes + tail, &complete);
        QVERIFY(!complete);
        ImageAnnotation expected = workedExample();
        expected.labels.erase(expected.labels.begin() + 1);
        if (tail.startsWith("-3"))
            expected.labels.push_back(Label());
        QCOMPARE(back, expected);
    }

    void readerAppendsToShapesAlreadyPresent()
    {
        const QString path = pathFor("append.lbl");
        writeBytes(path, "5\n4 0 0 1 0 1 1 0 1 \n1 0 3 \n");
        ImageAnnotation annotation;
        const Label present = makeLabel({{7, 7}}, {{1, 1}});
        annotation.labels.push_back(present);
        QVERIFY(readLabelFile(annotation, local(path)));
        QCOMPARE(annotation.styleIndex, 5);
        QCOMPARE(annotation.labels.size(), std::size_t(2));
        QCOMPARE(annotation.labels[0], present);
        QCOMPARE(annotation.labels[1], makeLabel({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{0, 3}}));
    }

    void readerFailsOnMissingFileAndLeavesAnnotationAlone()
    {
        ImageAnnotation annotation;
        annotation.styleIndex = 4;
        annotation.labels = {makeLabel({{1, 2}}, {{3, 4}})};
        const ImageAnnotation before = annotation;
        QVERIFY(!readLabelFile(annotation, local(pathFor("missing.lbl"))));
        QCOMPARE(annotation, before);
    }

    void writerRefusesPathsItCannotCreate_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("missing directory") << "no/such/dir/a.lbl";
        QTest::newRow("parent is a regular file") << "plain.txt/a.lbl";
        QTest::newRow("directory in the file's place") << "taken.lbl";
    }

    void writerRefusesPathsItCannotCreate()
    {
        QFETCH(QString, relativePath);
        writeBytes(pathFor("plain.txt"), "keep");
        QDir(dir.path()).mkpath("taken.lbl");
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);

        QVERIFY(!writeLabelFile(workedExample(), local(pathFor(relativePath))));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
        QCOMPARE(contentsOf(pathFor("plain.txt")), QByteArray("keep"));
        QVERIFY(QFileInfo(pathFor("taken.lbl")).isDir());
    }

    void failedWriteKeepsThePreviousFile()
    {
        const QString path = pathFor("full.lbl");
        writeBytes(path, workedExampleBytes);
        bool written = true;
        {
            const FileSizeLimit limit(512);
            written = writeLabelFile(manyTaggedShapes(2000), local(path));
        }
        QVERIFY(!written);
        QCOMPARE(contentsOf(path), workedExampleBytes);
        QVERIFY(!QFile::exists(path + ".tmp"));
        QCOMPARE(QDir(dir.path()).entryList({"*.tmp"}, QDir::Files | QDir::Hidden), QStringList());
    }

    // The temporary file has a short name of its own, so a label file whose name takes up to
    // the 255 bytes a name may have is saved too; none is left behind to be listed.
    void labelFileOfTheLongestNameIsSaved_data()
    {
        QTest::addColumn<QString>("name");
        const QString han(83, QChar(0x5b57));
        QTest::newRow("name and .tmp 255 bytes") << QString(247, 'r') + ".lbl";
        QTest::newRow("name and .tmp 256 bytes") << QString(248, 'r') + ".lbl";
        QTest::newRow("255-byte name") << QString(251, 'r') + ".lbl";
        QTest::newRow("255-byte name of 3-byte characters") << han + "ab.lbl";
    }

    void labelFileOfTheLongestNameIsSaved()
    {
        QFETCH(QString, name);
        QVERIFY(QFile::encodeName(name).size() <= 255);
        const QString path = pathFor(name);
        QVERIFY(writeLabelFile(manyTaggedShapes(1), local(path)));
        QVERIFY(writeLabelFile(workedExample(), local(path)));
        QCOMPARE(contentsOf(path), workedExampleBytes);
        QCOMPARE(QDir(dir.path()).entryList({"*.tmp"}, QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(QFile::remove(path));
    }

    void saveReplacesAStaleTemporaryFile()
    {
        const QString path = pathFor("stale.lbl");
        writeBytes(path + ".tmp", "left over from a killed process");
        QVERIFY(writeLabelFile(workedExample(), local(path)));
        QCOMPARE(contentsOf(path), workedExampleBytes);
        QVERIFY(!QFile::exists(path + ".tmp"));
    }

    void linkAtTheTemporaryNameIsNeverFollowed_data()
    {
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("link to a file") << true;
        QTest::newRow("dangling link") << false;
    }

    void linkAtTheTemporaryNameIsNeverFollowed()
    {
        QFETCH(bool, targetExists);
        const QString path = pathFor("planted.lbl");
        const QString victim = pathFor("victim.txt");
        QFile::remove(victim);
        if (targetExists)
            writeBytes(victim, "precious");
        QFile::remove(path + ".tmp");
        QVERIFY(QFile::link(victim, path + ".tmp"));

        QVERIFY(writeLabelFile(workedExample(), local(path)));
        QCOMPARE(contentsOf(path), workedExampleBytes);
        QVERIFY(!QFileInfo(path).isSymLink());
        QCOMPARE(contentsOf(victim), targetExists ? QByteArray("precious") : "<unreadable>");
        QVERIFY(!QFileInfo::exists(path + ".tmp") && !QFileInfo(path + ".tmp").isSymLink());
    }

    // Made with the bits it keeps; those the common mask, 022, takes are set again.
    void saveKeepsPermissionBits_data()
    {
        QTest::addColumn<QFileDevice::Permissions>("chosen");
        const auto groupReads = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QTest::newRow("group reads") << groupReads;
        QTest::newRow("group writes") << (groupReads | QFile::WriteGroup);
    }
    void saveKeepsPermissionBits()
    {
        QFETCH(QFileDevice::Permissions, chosen);
        const QString path = pathFor("permissions.lbl");
        writeBytes(path, "0\n");
        QVERIFY(QFile::setPermissions(path, chosen));
        QVERIFY(writeLabelFile(workedExample(), local(path)));
        QCOMPARE(contentsOf(path), workedExampleBytes);
        QCOMPARE(QFile::permissions(path) & QFileDevice::Permissions(0x7077), chosen);
    }

    void saveThroughSymbolicLinkKeepsTheLink()
    {
        const QString target = pathFor("real.lbl");
        const QString link = pathFor("link.lbl");
        writeBytes(target, "0\n");
        QVERIFY(QFile::link(target, link));
        QVERIFY(writeLabelFile(workedExample(), local(link)));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(contentsOf(target), workedExampleBytes);
    }

    void readOnlyFileIsNotChanged()
    {
        if (runningAsRoot())
            QSKIP("root writes read-only files; covered by the failures root also meets");
        const QString path = pathFor("readonly.lbl");
        writeBytes(path, "3\n");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        QVERIFY(!writeLabelFile(workedExample(), local(path)));
        QCOMPARE(contentsOf(path), QByteArray("3\n"));
    }

    // Writing in place instead would leave a cut file behind when the disk fills up.
    void uncreatableTemporaryFileFailsAndKeepsTheOldBytes()
    {
        const QString path = pathFor("blocked.lbl");
        writeBytes(path, "3\n");
        // What stands at the name earlier versions gave it blocks nothing and is left alone.
        QVERIFY(QDir(dir.path()).mkpath("blocked.lbl.tmp"));
        bool written = true;
        {
            const DescriptorLimit limit;
            written = writeLabelFile(workedExample(), local(path));
        }
        QVERIFY(!written);
        QCOMPARE(contentsOf(path), QByteArray("3\n"));
        QVERIFY(writeLabelFile(workedExample(), local(path)));
        QCOMPARE(contentsOf(path), workedExampleBytes);
        QVERIFY(QFileInfo(path + ".tmp").isDir());
    }
};

QTEST_APPLESS_MAIN(TestLabelFile)
#include "test_labelfile.moc"
