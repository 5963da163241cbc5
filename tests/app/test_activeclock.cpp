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
    void aClockStepBackOrJumpCountsNothing();
};

void TestActiveClock::countsUntilAMinuteWithoutInput_data()
{
    QTest::addColumn<Inputs>("inputs");
    QTest::addColumn<qint64>("readAt");
    QTest::addColumn<qint64>("active");
    // Seconds at which the mouse only passes over the window.
    QTest::addColumn<Inputs>("moves");
    QTest::newRow("no input, half a minute") << Inputs{} << 30LL << 30LL << Inputs{};
    QTest::newRow("no input, one second short of the limit")
        << Inputs{} << 59LL << 59LL << Inputs{};
    QTest::newRow("no input, at the limit") << Inputs{} << 60LL << 60LL << Inputs{};
    QTest::newRow("no input, past the limit: stands") << Inputs{} << 61LL << 60LL << Inputs{};
    QTest::newRow("no input, long past") << Inputs{} << 3600LL << 60LL << Inputs{};
    QTest::newRow("input keeps it running") << Inputs{50} << 100LL << 100LL << Inputs{};
    QTest::newRow("input after the stop resumes it") << Inputs{200} << 230LL << 90LL << Inputs{};
    QTest::newRow("input exactly at the limit") << Inputs{60} << 61LL << 61LL << Inputs{};
    QTest::newRow("input a second after the limit") << Inputs{61} << 62LL << 61LL << Inputs{};
    QTest::newRow("two stops") << Inputs{100, 300} << 400LL << 180LL << Inputs{};
    QTest::newRow("many inputs") << Inputs{10, 20, 30, 40} << 50LL << 50LL << Inputs{};
    QTest::newRow("keyboard lost: stands at once") << Inputs{10, -20} << 50LL << 20LL << Inputs{};
    QTest::newRow("keyboard lost, then input") << Inputs{10, -20, 40} << 50LL << 30LL << Inputs{};
    QTest::newRow("keyboard lost, the mouse passing over")
        << Inputs{10, -20} << 50LL << 20LL << Inputs{30};
}

void TestActiveClock::countsUntilAMinuteWithoutInput()
{
    QFETCH(Inputs, inputs);
    QFETCH(qint64, readAt);
    QFETCH(qint64, active);
    QFETCH(Inputs, moves);
    ActiveClock clock;
    clock.restart(0);
    // Looked at every second, as the program's timer does; a negative second is one at which
    // the window loses the keyboard.
    for (qint64 second = 1; second <= readAt; ++second) {
        clock.noteTime(second * 1000);
        if (inputs.contains(second))
            clock.noteInput(second * 1000);
        if (inputs.contains(-second))
            clock.pause(second * 1000);
        if (moves.contains(second))
            clock.noteMove(second * 1000);
    }
    QCOMPARE(clock.activeMilliseconds(readAt * 1000), active * 1000);
    QCOMPARE(clock.takeSeconds(readAt * 1000), active);
}

void TestActiveClock::takenSecondsAreNotToldTwice()
{
    ActiveClock clock;
    clock.restart(5000);
    QCOMPARE(clock.takeSeconds(5000 + 10500), 10LL);
    // The half second left goes on; the idle limit still runs from the last input.
    QCOMPARE(clock.takeSeconds(5000 + 20000), 10LL);
    clock.noteTime(5000 + 60000);
    QCOMPARE(clock.takeSeconds(5000 + 100000), 40LL);
    QCOMPARE(clock.takeSeconds(5000 + 200000), 0LL);
    clock.noteInput(5000 + 200000);
    QCOMPARE(clock.takeSeconds(5000 + 203000), 3LL);
    clock.restart(500000);
    QCOMPARE(clock.activeMilliseconds(500000), 0LL);
}

void TestActiveClock::aClockStepBackOrJumpCountsNothing()
{
    ActiveClock clock;
    clock.restart(10000);
    QCOMPARE(clock.activeMilliseconds(5000), 0LL);
    clock.noteInput(4000);
    // The step back counts nothing, the eight seconds of work after it all.
    QCOMPARE(clock.activeMilliseconds(12000), 8000LL);
    clock.noteInput(12000);
    // Ten minutes ahead between two looks: idle, as a stopped program would be.
    clock.noteInput(612000);
    QCOMPARE(clock.activeMilliseconds(613000), 9000LL);
}

QTEST_GUILESS_MAIN(TestActiveClock)
#include "test_activeclock.moc"
