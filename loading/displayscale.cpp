#include "displayscale.h"

#include <algorithm>

namespace {
// Below this scale a decode at half the resolution or less still covers the screen.
const double largestReducedScale = 0.5;
} // namespace

double DisplayScale::scaleFor(const QSize& imageSize) const
{
    if (fitInto.isEmpty() || imageSize.isEmpty())
        return zoom;
    return std::min(double(fitInto.width()) / imageSize.width(),
                    double(fitInto.height()) / imageSize.height());
}

bool DisplayScale::mayShowReduced() const
{
    return !fitInto.isEmpty() || zoom <= largestReducedScale;
}
