#ifndef QUADROTAG_ACTIVECLOCK_H
#define QUADROTAG_ACTIVECLOCK_H

#include <QtGlobal>

// Counts the time of an operator at work: it runs from a start, and each input keeps it
// running for a minute more; after a minute without input, or once the window loses the
// keyboard, it stands until the next input. It runs on its own time, which follows the steady
// clock it is given step by step: a step back counts nothing and a step longer than the idle
// minute (a clock that jumped, a program stopped) counts as idle.
class ActiveClock
{
public:
    static constexpr qint64 idleMilliseconds = 60 * 1000;

    // Counting from zero at this moment, as if the operator had just given input.
    void restart(qint64 now);
    void noteInput(qint64 now);
    // The mouse moved over the window: input only while the window has the keyboard, since it
    // passes over a window beside the one at work.
    void noteMove(qint64 now);
    // The clock is looked at without input, as a timer does, so it learns its steps.
    void noteTime(qint64 now);
    // The window lost the keyboard: nothing counts until the next input.
    void pause(qint64 now);
    qint64 activeMilliseconds(qint64 now) const;
    // The whole seconds counted until now; the count goes on with what is left of a second.
    long long takeSeconds(qint64 now);

private:
    // This clock's own time at now, the steps of the steady clock that count added.
    qint64 ownTimeAt(qint64 now) const;
    // The time since what is counted, as far as the last input keeps the clock running.
    qint64 uncounted(qint64 ownNow) const;

    qint64 counted = 0;
    qint64 countedUntil = 0;
    qint64 lastInput = 0;
    qint64 ownTime = 0;
    qint64 lastSeen = 0;
    bool paused = false;
};

#endif
