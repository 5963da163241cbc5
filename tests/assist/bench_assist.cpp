#include "assistimage.h"
#include "syntheticscene.h"

#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

// The drawing aids on 24-megapixel photographs of a frame on a wall: the time of one snap
// and of one box, and how close they come to the true corners at the fit scale.
class BenchAssist : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void snapAtFit();
    void boxAtFit_data();
    void boxAtFit();
    void accuracyAtFit();

private:
    static QRectF boxAround(const Quadrilateral& corners, double margin);
    SyntheticScene scene;
};

namespace {
const QSize photoSize(6000, 4000);
// A 6000-pixel-wide photo fitted into a view about 800 pixels wide.
const double fitScale = 0.13;
const double snapScreenRadius = 8.0;
const int scenes = 10;
const double snapTarget = 2.0;
const double boxTarget = 3.0;
} // namespace

void BenchAssist::initTestCase()
{
    scene = renderScene(photoSize, 0.4, 7);
}

QRectF BenchAssist::boxAround(const Quadrilateral& corners, double margin)
{
    double left = corners[0].x, right = left, top = corners[0].y, bottom = top;
    for (const cv::Point2f& corner : corners) {
        left = std::min(left, double(corner.x));
        right = std::max(right, double(corner.x));
        top = std::min(top, double(corner.y));
        bottom = std::max(bottom, double(corner.y));
    }
    const double across = (right - left) * margin;
    const double down = (bottom - top) * margin;
    return QRectF(QPointF(left - across, top - down), QPointF(right + across, bottom + down));
}

void BenchAssist::snapAtFit()
{
    const AssistImage image(scene.pixels, QSize());
    const double radius = snapScreenRadius / fitScale;
    const QPointF click = QPointF(scene.corners[0].x, scene.corners[0].y) + QPointF(30, -25);
    QBENCHMARK
    {
        image.snapCorner(click, radius);
    }
}

void BenchAssist::boxAtFit_data()
{
    QTest::addColumn<double>("margin");
    QTest::newRow("tight") << 0.02;
    QTest::newRow("a fifth around") << 0.2;
}

void BenchAssist::boxAtFit()
{
    QFETCH(double, margin);
    const AssistImage image(scene.pixels, QSize());
    const QRectF box = boxAround(scene.corners, margin);
    QBENCHMARK
    {
        image.quadrilateralIn(box, snapScreenRadius / fitScale);
    }
}

// Clicks up to 6 screen pixels off each corner in eight directions, and boxes with up to a
// fifth of margin, on ten photographs.
void BenchAssist::accuracyAtFit()
{
    const double radius = snapScreenRadius / fitScale;
    double plainSum = 0, snappedSum = 0;
    int clicks = 0, snappedWithin = 0, plainWithin = 0;
    std::vector<double> snappedErrors;
    double boxSum = 0;
    int boxCorners = 0, boxesWithin = 0, boxes = 0, boxesFound = 0;
    for (int seed = 1; seed <= scenes; ++seed) {
        const SyntheticScene photo = renderScene(photoSize, 0.3, std::uint32_t(100 + seed));
        const AssistImage image(photo.pixels, QSize());
        for (const cv::Point2f& corner : photo.corners)
            for (int screenOff = 1; screenOff <= 6; ++screenOff)
                for (int direction = 0; direction < 8; ++direction) {
                    const double angle = direction * M_PI / 4 + screenOff;
                    // The screen pixel clicked, as the canvas maps it back to an image pixel.
                    const QPointF onScreen = QPointF(corner.x, corner.y) * fitScale +
                                             QPointF(std::cos(angle), std::sin(angle)) * screenOff;
                    const QPoint clicked(int(std::floor(onScreen.x() + 0.5) / fitScale),
                                         int(std::floor(onScreen.y() + 0.5) / fitScale));
                    const std::optional<QPointF> snapped = image.snapCorner(clicked, radius);
                    const QPointF stored =
                        snapped ? QPointF(QPoint(qRound(snapped->x()), qRound(snapped->y())))
                                : QPointF(clicked);
                    const double plain = std::hypot(clicked.x() - corner.x, clicked.y() - corner.y);
                    const double error = std::hypot(stored.x() - corner.x, stored.y() - corner.y);
                    snappedErrors.push_back(error);
                    plainSum += plain;
                    snappedSum += error;
                    plainWithin += plain <= snapTarget;
                    snappedWithin += error <= snapTarget;
                    ++clicks;
                }
        for (const double margin : {0.0, 0.05, 0.1, 0.15, 0.2}) {
            ++boxes;
            const std::optional<Quadrilateral> quad =
                image.quadrilateralIn(boxAround(photo.corners, margin), radius);
            if (!quad)
                continue;
            ++boxesFound;
            bool allWithin = true;
            for (std::size_t i = 0; i < 4; ++i) {
                const cv::Point2f stored(float(qRound((*quad)[i].x)), float(qRound((*quad)[i].y)));
                const double error = cv::norm(stored - photo.corners[i]);
                boxSum += error;
                ++boxCorners;
                allWithin = allWithin && error <= boxTarget;
            }
            boxesWithin += allWithin;
        }
    }
    qInfo("clicks at fit (%d): plain mean error %.1f px, %.0f %% within %.0f px; snapped mean "
          "error %.1f px, %.0f %% within %.0f px",
          clicks, plainSum / clicks, 100.0 * plainWithin / clicks, snapTarget, snappedSum / clicks,
          100.0 * snappedWithin / clicks, snapTarget);
    std::sort(snappedErrors.begin(), snappedErrors.end());
    qInfo("snapped error: median %.1f px, 90th percentile %.1f px",
          snappedErrors[snappedErrors.size() / 2], snappedErrors[snappedErrors.size() * 9 / 10]);
    qInfo("boxes (%d, margin 0-20 %%): found %.0f %%, mean corner error %.1f px, all four corners "
          "within %.0f px in %.0f %%",
          boxes, 100.0 * boxesFound / boxes, boxCorners ? boxSum / boxCorners : 0.0, boxTarget,
          100.0 * boxesWithin / boxes);
}

QTEST_APPLESS_MAIN(BenchAssist)
#include "bench_assist.moc"
