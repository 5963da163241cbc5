#include "firstpaintprobe.h"

#include "imageviewer.h"
#include "imagewidget.h"
#include "quadrotag.h"
#include "starttrace.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

bool FirstPaintProbe::isWanted()
{
    return std::getenv("QUADROTAG_FIRST_PAINT_EXIT") != nullptr;
}

FirstPaintProbe::FirstPaintProbe(Quadrotag& window) : window(window)
{
    window.findChild<ImageViewer*>()->imageWidget()->installEventFilter(this);
}

bool FirstPaintProbe::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Paint || reported || !window.imageSession().isOpen())
        return QObject::eventFilter(watched, event);
    // Reported once the paint is done.
    reported = true;
    QTimer::singleShot(0, this, [this] {
        traceStartStep("first image painted");
        std::fprintf(stderr, "first image painted\n");
        std::fflush(stderr);
        quitOnceListed();
    });
    return QObject::eventFilter(watched, event);
}

void FirstPaintProbe::quitOnceListed()
{
    const int pollMilliseconds = 5;
    if (window.isListingFolder()) {
        QTimer::singleShot(pollMilliseconds, this, &FirstPaintProbe::quitOnceListed);
        return;
    }
    traceStartStep("batch listed");
    std::fprintf(stderr, "batch listed\n");
    std::fflush(stderr);
    QCoreApplication::quit();
}
