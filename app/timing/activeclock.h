#ifndef QUADROTAG_ACTIVECLOCK_H
#define QUADROTAG_ACTIVECLOCK_H

#include <QtGlobal>

// Counts the time of an operator at work: it runs from a start, and each input keeps it
// running for a minute more; after a minute without input it stands until the next one.
class ActiveClock
{
public:
    static constexpr qint64 idleMilliseconds = 60 * 1000;

    // Counting from zero at this moment, as if the operator had just given input.
    void restart(qint64 now);
    void noteInput(qint64 now);
    qint64 activeMilliseconds(qint64 now) const;
    // The whole seconds counted until now; the count goes on with what is left of a second.
    long long takeSeconds(qint64 now);

private:
    // The time since what is counted, as far as the last input keeps the clock running.
    qint64 uncounted(qint64 now) const;

    qint64 counted = 0;
    qint64 countedUntil = 0;
    qint64 lastInput = 0;
};

#endif
