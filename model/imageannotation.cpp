#include "imageannotation.h"

#include "geometry.h"

namespace {
const char* const furnishingStyles[] = {
    "None",  "Scandinavian",  "Southeast Asian", "Korean",       "Japanese", "Chinese",
    "Jane",  "American",      "Neoclassical",    "European",     "Mixture",  "Post-modern",
    "Retro", "Mediterranean", "Pastoralism",     "Modern Brief",
};
}

ImageAnnotation::ImageAnnotation()
{
    for (const char* name : furnishingStyles)
        styleNames.append(QString::fromLatin1(name));
}

void ImageAnnotation::clear()
{
    styleIndex = 0;
    labels.clear();
}

bool ImageAnnotation::operator==(const ImageAnnotation& other) const
{
    return styleIndex == other.styleIndex && labels == other.labels &&
           styleNames == other.styleNames;
}

int ImageAnnotation::shapeAt(const QPoint& p) const
{
    for (std::size_t i = 0; i < labels.size(); ++i)
        if (encloses(labels[i], p))
            return static_cast<int>(i);
    return -1;
}

int ImageAnnotation::nextShapeAt(const QPoint& p, int after) const
{
    const int count = static_cast<int>(labels.size());
    const int start = after >= 0 && after < count ? after + 1 : 0;
    for (int step = 0; step < count; ++step) {
        const int i = (start + step) % count;
        if (encloses(labels[i], p))
            return i;
    }
    return -1;
}

bool ImageAnnotation::encloses(const Label& label, const QPoint& p) const
{
    const std::vector<QPoint>& q = label.points;
    // Only a hand-made label file can give fewer corners.
    if (q.size() < 4)
        return false;
    return triangleContains(q[0], q[1], q[2], p) || triangleContains(q[0], q[2], q[3], p);
}

bool ImageAnnotation::triangleContains(const QPoint& a, const QPoint& b, const QPoint& c,
                                       const QPoint& p) const
{
    const float acX = coordinateDifference(c.x(), a.x());
    const float acY = coordinateDifference(c.y(), a.y());
    const float abX = coordinateDifference(b.x(), a.x());
    const float abY = coordinateDifference(b.y(), a.y());
    const float apX = coordinateDifference(p.x(), a.x());
    const float apY = coordinateDifference(p.y(), a.y());

    const float cc = acX * acX + acY * acY;
    const float cb = acX * abX + acY * abY;
    const float cp = acX * apX + acY * apY;
    const float bb = abX * abX + abY * abY;
    const float bp = abX * apX + abY * apY;

    // A degenerate triangle divides by zero; the infinite or NaN coordinates
    // then fail one of the comparisons below.
    const float inv = 1.0f / (cc * bb - cb * cb);
    const float u = (bb * cp - cb * bp) * inv;
    if (u < 0.0f || u > 1.0f)
        return false;
    const float w = (cc * bp - cb * cp) * inv;
    if (w < 0.0f || w > 1.0f)
        return false;
    return u + w <= 1.0f;
}
