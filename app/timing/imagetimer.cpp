#include "imagetimer.h"

#include <QCoreApplication>
#include <QEvent>

ImageTimer::ImageTimer()
{
    steady.start();
    now = [this] { return steady.elapsed(); };
    clock.restart(now());
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
    // Looked at well within the idle minute, so that a longer step is known as a jump.
    const int lookMilliseconds = 10 * 1000;
    looks.setInterval(lookMilliseconds);
    connect(&looks, &QTimer::timeout, this, [this] { clock.noteTime(now()); });
    looks.start();
}

ImageTimer::~ImageTimer()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void ImageTimer::restart()
{
    clock.restart(now());
}

long long ImageTimer::takeSeconds()
{
    return clock.takeSeconds(now());
}

void ImageTimer::setClock(std::function<qint64()> clock)
{
    now = std::move(clock);
    restart();
}

bool ImageTimer::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        clock.noteInput(now());
        break;
    case QEvent::MouseMove:
        clock.noteMove(now());
        break;
    // Another program, or another window of this operator, has the keyboard.
    case QEvent::ApplicationDeactivate:
        clock.pause(now());
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
