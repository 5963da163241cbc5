#ifndef QUADROTAG_REVIEWPINS_H
#define QUADROTAG_REVIEWPINS_H

#include "reviewfile.h"

#include <QWidget>

#include <vector>

class ImageWidget;

// The notes of a review as numbered pins over the canvas, each at its image pixel at any
// zoom. A child of the canvas that covers it whole and lets every mouse event through.
class ReviewPins : public QWidget
{
    Q_OBJECT

public:
    explicit ReviewPins(ImageWidget* canvas);

    void setNotes(const std::vector<ReviewNote>& notes);
    // Follows the canvas's size after a zoom.
    void followCanvas();

    // Where the pin of an image pixel is drawn, in canvas coordinates: the pixel's centre.
    QPointF pinCentre(const QPoint& imagePixel) const;

    static const QColor pinColor;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ImageWidget* canvas;
    std::vector<ReviewNote> shown;
};

#endif
