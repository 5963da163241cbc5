#ifndef QUADROTAG_IMAGETIMER_H
#define QUADROTAG_IMAGETIMER_H

#include "activeclock.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

// The operator's active time on the image on screen: every key, click, wheel turn or mouse
// move anywhere in the program counts as input; the count stands while the program does not
// have the keyboard.
class ImageTimer : public QObject
{
    Q_OBJECT

public:
    ImageTimer();
    ~ImageTimer() override;

    // The image on screen changed: its time starts at zero.
    void restart();
    // The whole seconds counted since the image was shown or last taken; counting starts
    // again from zero, so that no second is told twice.
    long long takeSeconds();
    // Milliseconds of a steady clock; tests set their own.
    void setClock(std::function<qint64()> clock);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QElapsedTimer steady;
    std::function<qint64()> now;
    ActiveClock clock;
    QTimer looks;
};

#endif
