#include "faultcatchingapplication.h"
#include "quadrotag.h"

#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include <opencv2/core.hpp>

#include <stdexcept>

namespace {
// Throws what it is told from its event handler, as a slot or a paint event might.
class FaultyReceiver : public QObject
{
public:
    QString fault;
    int handled = 0;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        if (fault == "opencv")
            CV_Assert(handled < 0);
        if (fault == "standard")
            throw std::runtime_error("disk\non fire");
        if (fault == "other")
            throw 7;
        ++handled;
        return true;
    }
};
} // namespace

// The one boundary for faults nobody expected: event delivery on the GUI thread.
class TestFaultBoundary : public QObject
{
    Q_OBJECT

private slots:
    void faultEndsInANoteNotAnAbort_data();
    void faultEndsInANoteNotAnAbort();
};

void TestFaultBoundary::faultEndsInANoteNotAnAbort_data()
{
    QTest::addColumn<QString>("fault");
    // The start of the note; empty when the event is handled without a fault.
    QTest::addColumn<QString>("note");
    QTest::newRow("none") << ""
                          << "";
    QTest::newRow("an OpenCV assertion") << "opencv"
                                         << "That did not work: OpenCV";
    QTest::newRow("a standard exception, its lines joined") << "standard"
                                                            << "That did not work: disk on fire";
    QTest::newRow("anything else thrown") << "other"
                                          << "That did not work: an unexpected fault";
}

void TestFaultBoundary::faultEndsInANoteNotAnAbort()
{
    QFETCH(QString, fault);
    QFETCH(QString, note);
    auto* application = qobject_cast<FaultCatchingApplication*>(QCoreApplication::instance());
    QVERIFY(application);
    Quadrotag window;
    QSignalSpy faults(application, &FaultCatchingApplication::sglFault);
    FaultyReceiver receiver;
    receiver.fault = fault;
    QEvent event(QEvent::User);
    QCOMPARE(QCoreApplication::sendEvent(&receiver, &event), note.isEmpty());
    QCOMPARE(faults.count(), note.isEmpty() ? 0 : 1);
    const QString shown = window.statusBar()->currentMessage();
    QVERIFY2(note.isEmpty() ? shown.isEmpty() : shown.startsWith(note), qPrintable(shown));
    // The program goes on: the next event arrives as usual.
    receiver.fault.clear();
    QVERIFY(QCoreApplication::sendEvent(&receiver, &event));
    QCOMPARE(receiver.handled, note.isEmpty() ? 2 : 1);
}

int main(int argc, char* argv[])
{
    FaultCatchingApplication application(argc, argv);
    TestFaultBoundary test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_faultboundary.moc"
