#include "imagesession.h"
#include "labelfile.h"
#include "labelfilesnapshot.h"
#include "labelpath.h"
#include "recoveryfile.h"
#include "recoverywrite.h"

#include <QCryptographicHash>
#include <QPromise>
#include <QtTest>

#include <sys/stat.h>

namespace {

const RecoveryWriter ann{"ann", "desk1", 42};
const RecoveryWriter bob{"bob", "desk3", 43};

// Writes a file by hand, as another program would.
void writeContents(const QString& path, const QByteArray& bytes)
{
    QVERIFY(writeLabelBytes(bytes.toStdString(), QFile::encodeName(path).toStdString()));
}

QByteArray sha256Of(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

} // namespace

class TestRecoveryFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    const QString labelPath = dir.filePath("room.lbl");
    const QString recoveryPath = recoveryPathFor(labelPath);
    const QString writerPath = dir.filePath(".room.lbl.recovery.writer");

    // Who the recovery file names, as another program reads it.
    // Another program's state and its line, as it writes them.
    void writeAs(const RecoveryWriter& writer, const QByteArray& bytes)
    {
        writeAs(writer, bytes, recoveryPath);
    }
    void writeAs(const RecoveryWriter& writer, const QByteArray& bytes, const QString& path)
    {
        writeContents(path, bytes);
        writeContents(path + ".writer", writerLine(writer, bytes.toStdString()));
    }

    // ann's write on the worker, its claim found gone once the bytes are in.
    void stalledWrite()
    {
        int asked = 0;
        RecoveryWrite write(
            std::make_shared<RecoveryFile>(labelPath, ann), "2\n",
            [&asked] { return ++asked == 1; }, std::chrono::milliseconds(-1));
        write.run();
        QVERIFY(!write.written() && !write.claimHeld() && asked == 2);
    }

    // A session's keeping queued on the worker, run once the state was saved or not: one not
    // yet begun gives way to a save that stores the state.
    void keepingQueued(bool saved)
    {
        QFile::remove(labelPath);
        ImageSession session;
        std::vector<std::function<void()>> queued;
        QPromise<void> never;
        session.setBackgroundWork([&](const std::function<void()>& work) {
            queued.push_back(work);
            return never.future();
        });
        session.open(dir.filePath("room.jpg"), labelPath);
        QVERIFY(session.record(AnnotationChange::styleChanged(session.annotation(), 3, -1)));
        session.keepRecoveryNow();
        if (saved)
            QVERIFY(session.save());
        queued.front()();
    }

    QString named() const
    {
        const std::optional<RecoveredState> state = RecoveryFile(labelPath, {}).read();
        if (!state)
            return "<no state>";
        return state->writer ? state->writer->operatorName : "<nobody>";
    }

private slots:
    void init()
    {
        QDir(recoveryPath).removeRecursively();
        QFile::remove(recoveryPath);
        QFile::remove(writerPath);
    }

    // The recovery file stays a label file; the writer goes to its companion, tied to the
    // bytes by their SHA-256. A label file's name too long for the companion's to fit in 255
    // bytes gives way to its digest, in both; every name that fits is kept as it was.
    void writerIsReadBackBesideTheLabelBytes_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("kept");
        const auto digestOf = [](const QString& name) {
            return ".#" + QString::fromLatin1(sha256Of(name.toUtf8())) + ".recovery";
        };
        const auto row = [&](const char* name, const QString& label, bool digest) {
            QTest::newRow(name) << label << (digest ? digestOf(label) : "." + label + ".recovery");
        };
        row("short name", "room.lbl", false);
        row("companion 255 bytes", QString(234, 'r') + ".lbl", false);
        row("companion 256 bytes", QString(235, 'r') + ".lbl", true);
        row("250-byte name", QString(246, 'r') + ".lbl", true);
        row("2-byte characters, companion 255 bytes", QString(117, QChar(0xe9)) + ".lbl", false);
        row("3-byte characters, companion 258 bytes", QString(79, QChar(0x5b57)) + ".lbl", true);
    }

    void writerIsReadBackBesideTheLabelBytes()
    {
        QFETCH(QString, label);
        QFETCH(QString, kept);
        const QString recovery = dir.filePath(kept);
        const QString writer = recovery + ".writer";
        QVERIFY(QFile::encodeName(QFileInfo(writer).fileName()).size() <= 255);
        RecoveryFile file(dir.filePath(label), ann);
        // Kept, then kept again over it after another edit.
        QVERIFY(file.write("1\n"));
        QVERIFY(file.write("2\n"));
        QCOMPARE(file.path(), recovery);
        QCOMPARE(file.writerPath(), writer);
        QCOMPARE(LabelFileSnapshot::of(recovery).bytes, std::string("2\n"));
        QCOMPARE(QByteArray::fromStdString(LabelFileSnapshot::of(writer).bytes),
                 "ann\tdesk1\t42\t" + sha256Of("2\n") + "\n");
        // Read as the next run of the program reads it.
        const std::optional<RecoveredState> state = RecoveryFile(dir.filePath(label), {}).read();
        QVERIFY(state && state->writer);
        QCOMPARE(state->annotation.styleIndex, 2);
        QVERIFY(*state->writer == ann);
        QCOMPARE(state->written, QFileInfo(recovery).lastModified());
        file.remove();
        QVERIFY(!QFile::exists(recovery) && !QFile::exists(writer));
    }

    // Earlier versions kept a label file name of 239 to 245 bytes under its own name, without
    // the companion; that file is offered while none of the digest's name is there.
    void olderVersionsFileOfALongNameIsOffered_data()
    {
        QTest::addColumn<int>("nameBytes");
        QTest::addColumn<bool>("digestToo");
        QTest::addColumn<QString>("then");
        QTest::newRow("older name 249 bytes, taken up") << 239 << false << "adopt";
        QTest::newRow("older name 255 bytes, declined") << 245 << false << "discard";
        QTest::newRow("beside a file of the digest's name") << 239 << true << "read";
        QTest::newRow("beside the digest's file taken up and saved") << 241 << true << "saved";
    }

    void olderVersionsFileOfALongNameIsOffered()
    {
        QFETCH(int, nameBytes);
        QFETCH(bool, digestToo);
        QFETCH(QString, then);
        const QString name = QString(nameBytes - 4, 'r') + ".lbl";
        const QString label = dir.filePath(name);
        const QString older = dir.filePath("." + name + ".recovery");
        const QString digest =
            dir.filePath(".#" + QString::fromLatin1(sha256Of(name.toUtf8())) + ".recovery");
        writeContents(older, "3\n");
        if (digestToo)
            writeAs(bob, "5\n", digest);
        RecoveryFile file(label, ann);
        QCOMPARE(file.path(), digest);
        const std::optional<RecoveredState> state = file.read();
        QVERIFY(state);
        QCOMPARE(state->annotation.styleIndex, digestToo ? 5 : 3);
        QCOMPARE(state->writer ? state->writer->operatorName : "<nobody>",
                 digestToo ? "bob" : "<nobody>");
        if (then == "adopt") {
            file.adopt();
            QVERIFY(!QFile::exists(older));
            QCOMPARE(LabelFileSnapshot::of(digest).bytes, std::string("3\n"));
            QVERIFY(file.write("4\n"));
            file.remove();
            QVERIFY(!QFile::exists(digest));
        } else if (then == "saved") {
            file.adopt();
            QVERIFY(file.write("6\n"));
            file.remove();
            QVERIFY(!QFile::exists(older) && !QFile::exists(digest));
        } else if (then == "discard") {
            file.discard();
            QVERIFY(!QFile::exists(older));
        }
        QCOMPARE(RecoveryFile(label, {}).read().has_value(), then == "read");
        QFile::remove(older);
        QFile::remove(digest);
        QFile::remove(digest + ".writer");
    }

    // A link someone put at the recovery file's name, or its companion's, points at another
    // image's label file: it is neither offered nor written through, only replaced.
    void linkAtAKeptNameIsNeitherReadNorWrittenThrough_data()
    {
        QTest::addColumn<bool>("atCompanion");
        QTest::newRow("at the recovery file") << false;
        QTest::newRow("at its companion") << true;
    }
    void linkAtAKeptNameIsNeitherReadNorWrittenThrough()
    {
        QFETCH(bool, atCompanion);
        const QString victim = dir.filePath("victim.lbl");
        writeContents(victim, "0\n4 10 10 100 10 100 100 10 100 \n1 0 0 \n");
        const QString link = atCompanion ? writerPath : recoveryPath;
        QVERIFY(QFile::link(victim, link));
        RecoveryFile file(labelPath, ann);
        // Nothing of this program's stands there yet.
        QVERIFY(!file.read().has_value());
        QVERIFY(file.write("7\n"));
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(LabelFileSnapshot::of(victim).bytes,
                 std::string("0\n4 10 10 100 10 100 100 10 100 \n1 0 0 \n"));
        QCOMPARE(LabelFileSnapshot::of(recoveryPath).bytes, std::string("7\n"));
        file.remove();
        QFile::remove(victim);
    }

    // A writer's line, written first, names its writer whoever wrote over the bytes since or
    // stopped between the two files, and the companion goes and stays with the file. One word a
    // step: "bob:5" is bob's program writing "5\n", "raw:5" one that names nobody (an older one),
    // "blocked" ann's write with a folder at the file's name, "line:2" ann's line for "2\n"
    // alone; the others are what ann's program does.
    void writerIsNamedOnlyForTheBytesItWrote_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("named");
        QTest::addColumn<bool>("lineLeft");
        const auto row = [](const char* name, const char* steps, const char* named, bool left) {
            QTest::newRow(name) << QString(steps) << QString(named) << left;
        };
        row("written", "write", "ann", true);
        row("older program's file", "raw:5", "<nobody>", false);
        row("written over by bob", "write bob:5", "bob", true);
        row("written over by an older program", "write raw:5", "ann", true);
        row("stopped after the line, before the bytes", "raw:5 line:2", "ann", true);
        row("bytes refused after the line", "blocked", "<no state>", true);
        // The claim taken over while the share held the write: the bytes landed after the
        // next holder had cleared the files.
        row("claim lost while the write stalled", "stalled", "<no state>", false);
        // A keeping queued on the worker behind a save that stored the state, or none.
        row("keeping queued, then saved", "queued:saved", "<no state>", false);
        row("keeping queued, left unsaved", "queued:unsaved", "<nobody>", false);
        // A nameless program leaves ann's kept work alone, and names nobody for its own.
        row("same bytes by a program naming nobody", "write nobody:2", "ann", true);
        row("program naming nobody over an earlier line", "line:2 nobody:2", "<nobody>", false);
        row("line without its file", "line:2", "<no state>", true);
        row("own, removed", "write remove", "<no state>", false);
        row("own, written over by bob, removed", "write bob:5 remove", "bob", true);
        row("bob's, removed", "bob:5 remove", "bob", true);
        row("bob's, discarded", "bob:5 discard", "<no state>", false);
        row("bob's, adopted", "bob:5 adopt", "ann", true);
        row("bob's, adopted, removed", "bob:5 adopt remove", "<no state>", false);
        row("none, adopted", "adopt", "<no state>", false);
    }

    void writerIsNamedOnlyForTheBytesItWrote()
    {
        QFETCH(QString, steps);
        QFETCH(QString, named);
        QFETCH(bool, lineLeft);
        RecoveryFile own(labelPath, ann);
        for (const QString& step : steps.split(' ')) {
            const QByteArray bytes = step.section(':', 1).toUtf8() + "\n";
            if (step == "write")
                QVERIFY(own.write("2\n"));
            else if (step == "remove")
                own.remove();
            else if (step == "discard")
                own.discard();
            else if (step == "adopt")
                own.adopt();
            else if (step == "blocked")
                QVERIFY(QDir().mkpath(recoveryPath) && !own.write("2\n"));
            else if (step == "stalled")
                stalledWrite();
            else if (step.startsWith("queued:"))
                keepingQueued(step == "queued:saved");
            else if (step.startsWith("raw:"))
                writeContents(recoveryPath, bytes);
            else if (step.startsWith("line:"))
                writeContents(writerPath, writerLine(ann, bytes.toStdString()));
            else if (step.startsWith("bob:"))
                writeAs(bob, bytes);
            else
                RecoveryFile(labelPath, RecoveryWriter()).write(bytes.toStdString());
        }
        QCOMPARE(this->named(), named);
        QCOMPARE(QFile::exists(writerPath), lineLeft);
    }

    // What ann's program writes where another operator's work is kept, and after what.
    void anotherOperatorsWorkIsNeverWrittenOver_data()
    {
        QTest::addColumn<QString>("keptBy");
        QTest::addColumn<bool>("adoptedFirst");
        QTest::addColumn<bool>("written");
        QTest::newRow("bob's") << "bob" << false << false;
        QTest::newRow("bob's, taken up") << "bob" << true << true;
        QTest::newRow("ann's on another computer") << "ann" << false << true;
        QTest::newRow("nobody's") << "" << false << true;
    }

    void anotherOperatorsWorkIsNeverWrittenOver()
    {
        QFETCH(QString, keptBy);
        QFETCH(bool, adoptedFirst);
        QFETCH(bool, written);
        writeContents(recoveryPath, "5\n");
        if (!keptBy.isEmpty())
            writeContents(writerPath, writerLine(RecoveryWriter{keptBy, "desk9", 7}, "5\n"));
        RecoveryFile own(labelPath, ann);
        if (adoptedFirst)
            own.adopt();
        QCOMPARE(own.write("2\n"), written);
        QCOMPARE(LabelFileSnapshot::of(recoveryPath).bytes, std::string(written ? "2\n" : "5\n"));
        QCOMPARE(this->named(), written ? QString("ann") : keptBy);
    }

    // A companion written by hand, damaged or hostile, names nobody; %d stands for the
    // SHA-256 of the bytes the recovery file holds.
    void hostileWriterLineNamesNobody_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("named");
        const QByteArray longest(RecoveryWriter::longestName, 'a');
        QTest::newRow("whole") << QByteArray("bob\tdesk3\t43\t%d\n") << "bob";
        QTest::newRow("not ASCII")
            << QByteArray("bj\xc3\xb6rn\tdesk3\t43\t%d\n") << QString::fromUtf8("björn");
        QTest::newRow("longest name") << longest + "\t" + longest + "\t43\t%d\n"
                                      << QString(longest);
        QTest::newRow("name too long") << longest + "a\tdesk3\t43\t%d\n"
                                       << "<nobody>";
        QTest::newRow("tab in the name") << QByteArray("b\tob\tdesk3\t43\t%d\n") << "<nobody>";
        QTest::newRow("line break in the name")
            << QByteArray("ann\nbob\tdesk3\t43\t%d\n") << "<nobody>";
        QTest::newRow("carriage return in the host")
            << QByteArray("bob\tdesk3\r\t43\t%d\n") << "<nobody>";
        QTest::newRow("not UTF-8") << QByteArray("b\xff\xfe\tdesk3\t43\t%d\n") << "<nobody>";
        QTest::newRow("no name") << QByteArray("\tdesk3\t43\t%d\n") << "<nobody>";
        QTest::newRow("process zero") << QByteArray("bob\tdesk3\t0\t%d\n") << "<nobody>";
        QTest::newRow("a pipe") << QByteArray("<pipe>") << "<nobody>";
    }

    void hostileWriterLineNamesNobody()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, named);
        writeContents(recoveryPath, "2\n");
        if (line == "<pipe>")
            QCOMPARE(::mkfifo(QFile::encodeName(writerPath).constData(), 0600), 0);
        else
            writeContents(writerPath, line.replace("%d", sha256Of("2\n")));
        QCOMPARE(this->named(), named);
    }
};

QTEST_GUILESS_MAIN(TestRecoveryFile)
#include "test_recoveryfile.moc"
