#include "imagesession.h"
#include "labelfile.h"

#include <QProcess>
#include <QtTest>

namespace {

Label taggedSquare(int left)
{
    Label shape;
    shape.points = {{left, 10}, {left + 50, 10}, {left + 50, 60}, {left, 60}};
    shape.tags = {{0, 1}};
    return shape;
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

void writeContents(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Plays the operator's steps, one word each, on the session.
void play(ImageSession& session, const QString& steps)
{
    for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
        const ImageAnnotation& now = session.annotation();
        if (step == "tagged") {
            session.record(AnnotationChange::shapeAdded(now, taggedSquare(10), -1));
        } else if (step == "untagged") {
            Label shape = taggedSquare(100);
            shape.tags.clear();
            session.record(AnnotationChange::shapeAdded(now, shape, -1));
        } else if (step.startsWith("style")) {
            session.record(AnnotationChange::styleChanged(now, step.mid(5).toInt(), -1));
        } else if (step == "delete") {
            session.record(AnnotationChange::shapeDeleted(now, 0));
        } else if (step == "save") {
            QVERIFY(session.save());
        } else if (step == "undo") {
            session.undo();
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }
}

} // namespace

class TestImageSession : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString labelPath() const { return dir.filePath("room.lbl"); }
    QString recoveryPath() const { return dir.filePath(".room.lbl.recovery"); }

private slots:
    void init()
    {
        QFile::remove(labelPath());
        QFile::remove(recoveryPath());
    }

    // Leaving writes exactly when the bytes of a save differ from the file as last read
    // or written; the recovery file holds the unsaved state meanwhile.
    void leavingWritesOnlyWhatChanged_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("needsSaving");
        QTest::addColumn<QByteArray>("after");
        const QByteArray none = "<none>";
        const QByteArray shape = "0\n4 10 10 60 10 60 60 10 60 \n1 0 1 \n";
        const auto row = [](const char* name, const QByteArray& before, const char* steps,
                            bool needsSaving, const QByteArray& after) {
            QTest::newRow(name) << before << QString(steps) << needsSaving << after;
        };
        row("tagged, saved, deleted", none, "tagged save delete", true, "0\n");
        row("tagged, saved, undone", none, "tagged save undo", true, "0\n");
        row("style-only file, other style", "5", "style3", true, "3\n");
        row("untagged shape, no file", none, "untagged", false, none);
        row("style None, no file", none, "style4 style0", false, none);
        row("tagged, no file", none, "tagged", true, shape);
        row("hand-made layout, viewed", "0 4 10 10 60 10\n60 60 10 60 1 0 1", "", false,
            "0 4 10 10 60 10\n60 60 10 60 1 0 1");
        row("edited, undone", shape, "delete undo", false, shape);
        row("saved, edited back", shape, "style2 save style0", true, shape);
    }

    void leavingWritesOnlyWhatChanged()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, steps);
        QFETCH(bool, needsSaving);
        QFETCH(QByteArray, after);
        if (before != "<none>")
            writeContents(labelPath(), before);
        ImageSession session;
        QSignalSpy modified(&session, &ImageSession::modifiedChanged);
        session.open(dir.filePath("room.jpg"), labelPath());
        play(session, steps);

        QCOMPARE(session.needsSaving(), needsSaving);
        QCOMPARE(modified.isEmpty() ? false : modified.last().at(0).toBool(), needsSaving);
        QTRY_COMPARE_WITH_TIMEOUT(QFile::exists(recoveryPath()), needsSaving, 1000);
        if (session.needsSaving())
            QVERIFY(session.save());
        else
            session.leave();
        QCOMPARE(contentsOf(labelPath()), after);
        QVERIFY(!QFile::exists(recoveryPath()));
    }

    void outsideChangeIsNoticedUntilSaved()
    {
        writeContents(labelPath(), "2\n");
        ImageSession session;
        session.open(dir.filePath("room.jpg"), labelPath());
        play(session, "tagged");
        QVERIFY(!session.changedOnDisk());
        writeContents(labelPath(), "7\n");
        QVERIFY(session.changedOnDisk());
        QCOMPARE(session.reload(), ImageSession::Reading::Read);
        QCOMPARE(session.annotation().styleIndex, 7);
        QVERIFY(!session.needsSaving() && !session.changedOnDisk());
        QFile::remove(labelPath());
        QVERIFY(session.changedOnDisk());
    }

    void killedSessionsEditIsRecovered()
    {
        writeContents(labelPath(), "4\n");
        QProcess child;
        child.start(RECOVERY_CHILD, {labelPath()});
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(10000));
        QCOMPARE(child.readLine().trimmed(), QByteArray("kept"));
        child.kill();
        QVERIFY(child.waitForFinished());
        QCOMPARE(contentsOf(labelPath()), QByteArray("4\n"));

        ImageSession session;
        session.open(dir.filePath("room.jpg"), labelPath());
        std::optional<ImageAnnotation> recovered = session.takeRecoveredState();
        QVERIFY(recovered);
        session.restore(*recovered);
        QVERIFY(session.needsSaving());
        QVERIFY(session.save());
        QCOMPARE(contentsOf(labelPath()),
                 QByteArray("4\n4 10 10 90 10 90 70 10 70 \n2 1 2 0 3 \n"));
        QVERIFY(!QFile::exists(recoveryPath()));
        session.undo();
        QCOMPARE(session.annotation().labels.size(), std::size_t(0));
    }

    void recoveryHoldingTheSavedStateIsRemoved()
    {
        writeContents(labelPath(), "4\n");
        writeContents(recoveryPath(), "4\n");
        ImageSession session;
        session.open(dir.filePath("room.jpg"), labelPath());
        QVERIFY(!session.takeRecoveredState());
        QVERIFY(!QFile::exists(recoveryPath()));
    }
};

QTEST_GUILESS_MAIN(TestImageSession)
#include "test_imagesession.moc"
