#ifndef QUADROTAG_FIRSTPAINTPROBE_H
#define QUADROTAG_FIRSTPAINTPROBE_H

#include <QObject>

class Quadrotag;

// For the from-launch benchmark: with QUADROTAG_FIRST_PAINT_EXIT set in the environment, the
// first paint of the canvas while an image of a batch is open writes "first image painted" to
// standard error, and "batch listed" once the folder's whole list is in too, then ends the
// program, so a parent can time launch to first image and to the whole batch.
class FirstPaintProbe : public QObject
{
public:
    static bool isWanted();
    explicit FirstPaintProbe(Quadrotag& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void quitOnceListed();

    Quadrotag& window;
    bool reported = false;
};

#endif
