#ifndef QUADROTAG_PREDICTION_H
#define QUADROTAG_PREDICTION_H

#include <QPointF>
#include <QSize>
#include <QString>

#include <array>
#include <utility>
#include <vector>

// One shape a model predicted, as its file gives it, before it is checked against the
// vocabulary and the image.
struct Prediction
{
    // Corners in pixels, or fractions of the image's width and height when normalised.
    std::array<QPointF, 4> corners;
    bool normalised = false;
    // The size of the run-length mask the corners were fitted to; empty when there was none.
    QSize maskSize;
    QString className;
    // Where the prediction came from, for problem lines: a file and "line N" or "annotation N".
    QString source;
    QString item;
    // Why the prediction could not be read; such a prediction is reported in its turn.
    QString error;
    // Predictions without a score count as certain.
    double score = 1.0;
    // Further tags as (group, stem): "single_tags" or a category's stem, and the tag's stem.
    std::vector<std::pair<QString, QString>> attributes;
};

#endif
