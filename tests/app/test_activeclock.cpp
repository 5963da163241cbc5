#include "activeclock.h"

#include <QtTest>

using Inputs = QList<qint64>;

// Seconds from the start, as the operator's input comes.
class TestActiveClock : public QObject
{
    Q_OBJECT

private slots:
    void countsUntilAMinuteWithoutInput_data();
    void countsUntilAMinuteWithoutInput();
    void takenSecondsAreNotToldTwice();
    void aClockThatGoesBackCountsNothing();
};

void TestActiveClock::countsUntilAMinuteWithoutInput_data()
{
    QTest::addColumn<Inputs>("inputs");
    QTest::addColumn<qint64>("readAt");
    QTest::addColumn<qint64>("active");
    // Seconds at which the window loses the keyboard.
    QTest::addColumn<Inputs>("pauses");
    // The second at which the steady clock jumps, and by how many seconds.
    QTest::addColumn<Inputs>("jump");
    QTest::newRow("no input, half a minute") << Inputs{} << 30LL << 30LL << Inputs{} << Inputs{};
    QTest::newRow("no input, one second short of the limit")
        << Inputs{} << 59LL << 59LL << Inputs{} << Inputs{};
    QTest::newRow("no input, at the limit") << Inputs{} << 60LL << 60LL << Inputs{} << Inputs{};
    QTest::newRow("no input, past the limit: stands")
        << Inputs{} << 61LL << 60LL << Inputs{} << Inputs{};
    QTest::newRow("no input, long past") << Inputs{} << 3600LL << 60LL << Inputs{} << Inputs{};
    QTest::newRow("input keeps it running") << Inputs{50} << 100LL << 100LL << Inputs{} << Inputs{};
    QTest::newRow("input after the stop resumes it")
        << Inputs{200} << 230LL << 90LL << Inputs{} << Inputs{};
    QTest::newRow("input exactly at the limit")
        << Inputs{60} << 61LL << 61LL << Inputs{} << Inputs{};
    QTest::newRow("input a second after the limit")
        << Inputs{61} << 62LL << 61LL << Inputs{} << Inputs{};
    QTest::newRow("two stops") << Inputs{100, 300} << 400LL << 180LL << Inputs{} << Inputs{};
    QTest::newRow("many inputs") << Inputs{10, 20, 30, 40} << 50LL << 50LL << Inputs{} << Inputs{};
    QTest::newRow("keyboard lost: stands at once")
        << Inputs{10} << 50LL << 20LL << Inputs{20} << Inputs{};
    QTest::newRow("keyboard lost, then input in the window")
        << Inputs{10, 40} << 50LL << 30LL << Inputs{20} << Inputs{};
    QTest::newRow("clock jumps ten minutes ahead: the step is idle")
        << Inputs{10, 20} << 30LL << 29LL << Inputs{} << Inputs{15, 600};
    QTest::newRow("clock goes ten minutes back: the work after counts")
        << Inputs{10, 20} << 30LL << 29LL << Inputs{} << Inputs{15, -600};
}

// The program looks at its clock every second here, as its timer does.
void TestActiveClock::countsUntilAMinuteWithoutInput()
{
    QFETCH(Inputs, inputs);
    QFETCH(qint64, readAt);
    QFETCH(qint64, active);
    QFETCH(Inputs, pauses);
    QFETCH(Inputs, jump);
    ActiveClock clock;
    clock.restart(0);
    qint64 offset = 0;
    for (qint64 second = 1; second <= readAt; ++second) {
        if (jump.size() == 2 && second == jump[0])
            offset += jump[1] * 1000;
        clock.noteTime(second * 1000 + offset);
        if (inputs.contains(second))
            clock.noteInput(second * 1000 + offset);
        if (pauses.contains(second))
            clock.pause(second * 1000 + offset);
    }
    QCOMPARE(clock.activeMilliseconds(readAt * 1000 + offset), active * 1000);
    QCOMPARE(clock.takeSeconds(readAt * 1000 + offset), active);
}

void TestActiveClock::takenSecondsAreNotToldTwice()
{
    ActiveClock clock;
    clock.restart(5000);
    QCOMPARE(clock.takeSeconds(5000 + 10500), 10LL);
    // The half second left goes on; the idle limit still runs from the last input.
    QCOMPARE(clock.takeSeconds(5000 + 20000), 10LL);
    // Looked at by the timer within the minute, so the step to the next take is no jump.
    clock.noteTime(5000 + 60000);
    QCOMPARE(clock.takeSeconds(5000 + 100000), 40LL);
    QCOMPARE(clock.takeSeconds(5000 + 200000), 0LL);
    clock.noteInput(5000 + 200000);
    QCOMPARE(clock.takeSeconds(5000 + 203000), 3LL);
    clock.restart(500000);
    QCOMPARE(clock.activeMilliseconds(500000), 0LL);
}

void TestActiveClock::aClockThatGoesBackCountsNothing()
{
    ActiveClock clock;
    clock.restart(10000);
    QCOMPARE(clock.activeMilliseconds(5000), 0LL);
    clock.noteInput(4000);
    // The step back counts nothing, the eight seconds of work after it all.
    QCOMPARE(clock.activeMilliseconds(12000), 8000LL);
}

QTEST_GUILESS_MAIN(TestActiveClock)
#include "test_activeclock.moc"
