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
    QTimer::singleShot(0, [] {
        traceStartStep("first image painted");
        std::fprintf(stderr, "first image painted\n");
        std::fflush(stderr);
        QCoreApplication::quit();
    });
    return QObject::eventFilter(watched, event);
}
