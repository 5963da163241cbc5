#include "labelpath.h"
#include "quadrotag.h"
#include "recoveryfile.h"
#include "windowtest.h"
#include "workflowfixture.h"

#include <QCoreApplication>
#include <QSysInfo>
#include <QtTest>

// What a run left unsaved, offered back when its image is shown again: the operator's own as
// their unsaved changes, another operator's by that operator's name.
class TestRecovery : public WindowTest
{
    Q_OBJECT

private:
    const QByteArray keptState = "2\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n";
    // Two tagged shapes as a model would propose them for a.jpg, in the writer's layout.
    const QByteArray proposal = "0\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n"
                                "4 200 10 260 10 260 60 200 60 \n1 0 2 \n";

    QString recoveryPath() const { return recoveryPathFor(pathOf("a.lbl")); }

    void writeProposal(const QString& imagePath, const QByteArray& bytes)
    {
        QVERIFY(QDir().mkpath(QFileInfo(proposalPathFor(imagePath)).path()));
        QVERIFY(writeFileBytes(proposalPathFor(imagePath), bytes));
    }

    std::optional<RecoveryWriter> keeper() const
    {
        const std::optional<RecoveredState> state = RecoveryFile(pathOf("a.lbl"), {}).read();
        return state ? state->writer : std::nullopt;
    }

private slots:
    void initTestCase() { qputenv("QUADROTAG_OPERATOR", "ann"); }

    // The operator's own unsaved work comes before a model's guess.
    void recoveryIsOfferedBeforeTheProposal_data()
    {
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("recovered") << keptState << true << true << keptState;
        QTest::newRow("declined, the proposal") << keptState << false << true << proposal;
        // Emptying a proposal is work of its own, which a crash must not lose.
        QTest::newRow("emptied proposal recovered")
            << QByteArray("0\n") << true << true << QByteArray("0\n");
        QTest::newRow("same as the proposal") << proposal << true << false << proposal;
    }

    void recoveryIsOfferedBeforeTheProposal()
    {
        QFETCH(QByteArray, kept);
        QFETCH(bool, accept);
        QFETCH(bool, asked);
        QFETCH(QByteArray, stored);
        QVERIFY(writeFileBytes(pathOf(".a.lbl.recovery"), kept));
        writeProposal(batch[0], proposal);
        {
            MessageBoxCloser closer(accept ? QMessageBox::Yes : QMessageBox::No);
            openBatch(batch);
            QCOMPARE(closer.titles, asked ? QStringList({"Recover"}) : QStringList());
        }
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), stored);
    }

    void ownUnsavedWorkIsKeptUnderTheOperatorsName()
    {
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(keeper().has_value(), 2000);
        const RecoveryWriter self{"ann", QSysInfo::machineHostName(),
                                  QCoreApplication::applicationPid()};
        QVERIFY(*keeper() == self);
    }

    // Another operator's kept work is named as theirs, never offered as the operator's own,
    // and is left for them when declined. The operator's own, kept on another computer or by
    // an older program, is offered and given up as before. NoButton leaves the question at its
    // default answer; a writer without a name is one that names nobody.
    void keptWorkIsOfferedAsItsWriters_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("named");
        QTest::addColumn<bool>("taken");
        const auto row = [](const char* name, const char* writer,
                            QMessageBox::StandardButton answer, bool named, bool taken) {
            QTest::newRow(name) << QString(writer) << int(answer) << named << taken;
        };
        row("bob's, taken up", "bob", QMessageBox::Yes, true, true);
        row("bob's, declined", "bob", QMessageBox::No, true, false);
        row("bob's, default answer", "bob", QMessageBox::NoButton, true, false);
        // Shown as written, so that a name can't make the question read as the operator's own.
        row("markup in the name, declined", "<p>bob", QMessageBox::No, true, false);
        row("own from another computer, recovered", "ann", QMessageBox::Yes, false, true);
        row("own from another computer, declined", "ann", QMessageBox::No, false, false);
        // An older program names nobody: its file is offered as the operator's own.
        row("named nobody, recovered", "", QMessageBox::Yes, false, true);
        row("named nobody, declined", "", QMessageBox::No, false, false);
    }

    void keptWorkIsOfferedAsItsWriters()
    {
        QFETCH(QString, writer);
        QFETCH(int, answer);
        QFETCH(bool, named);
        QFETCH(bool, taken);
        const RecoveryWriter theirs{writer, "desk9", 4242};
        QVERIFY(RecoveryFile(pathOf("a.lbl"), theirs).write(keptState.toStdString()));
        const QString when = QFileInfo(recoveryPath()).lastModified().toString("yyyy-MM-dd hh:mm");
        {
            MessageBoxCloser closer{QMessageBox::StandardButton(answer)};
            openBatch(batch);
            QCOMPARE(closer.titles, QStringList({"Recover"}));
            const QString text = closer.texts.value(0);
            if (named) {
                QCOMPARE(text, writer + " left unsaved changes on " + batch[0] +
                                   " (on desk9, last kept " + when +
                                   "). Show them as unsaved changes? If not, they are left for " +
                                   writer + ".");
                QCOMPARE(closer.textFormats, QList<Qt::TextFormat>({Qt::PlainText}));
            } else {
                QVERIFY(text.contains(batch[0]));
                QVERIFY(text.contains("Quadrotag last stopped without saving them"));
            }
        }
        QCOMPARE(window->isWindowModified(), taken);
        QCOMPARE(annotation().labels.size(), std::size_t(taken ? 1 : 0));
        QCOMPARE(QFile::exists(recoveryPath()), taken || named);
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), taken ? keptState : QByteArray("<missing>"));
        // Only another's work declined is left, still named as theirs, and asked about again.
        const bool left = named && !taken;
        QCOMPARE(fileBytes(recoveryPath()), left ? keptState : QByteArray("<missing>"));
        QCOMPARE(QFile::exists(recoveryPath() + ".writer"), left);
        if (left)
            QVERIFY(keeper() == theirs);
        MessageBoxCloser again(QMessageBox::No);
        pressKey(Qt::Key_Up);
        QCOMPARE(again.titles, left ? QStringList({"Recover"}) : QStringList());
        QCOMPARE(annotation().labels.size(), std::size_t(taken ? 1 : 0));
    }

    // Declining another's work leaves it theirs: the operator's own edits and save go
    // without a recovery file rather than over it.
    void declinedWorkOfAnotherSurvivesTheOperatorsEdits()
    {
        const RecoveryWriter bob{"bob", "desk9", 4242};
        QVERIFY(RecoveryFile(pathOf("a.lbl"), bob).write(keptState.toStdString()));
        {
            MessageBoxCloser closer{QMessageBox::No};
            openBatch(batch);
        }
        drawSquare(20, 20, 40);
        clickTag(0, 0);
        QTRY_VERIFY(!window->imageSession().isRecoveryDue());
        QCOMPARE(fileBytes(recoveryPath()), keptState);
        QVERIFY(keeper() == bob);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(fileBytes(pathOf("a.lbl")), bytesOf(annotation()));
        QCOMPARE(fileBytes(recoveryPath()), keptState);
        QVERIFY(keeper() == bob);
    }
};

QTEST_MAIN(TestRecovery)
#include "test_recovery.moc"
