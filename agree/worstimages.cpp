#include "worstimages.h"

#include <algorithm>

bool WorstImages::isWorse(const ImageAgreement& first, const ImageAgreement& second)
{
    if (first.unmatched() != second.unmatched())
        return first.unmatched() > second.unmatched();
    if (first.meanIou != second.meanIou)
        return first.meanIou < second.meanIou;
    return first.image < second.image;
}

void WorstImages::add(const ImageAgreement& image)
{
    if (kept.size() == capacity && (capacity == 0 || !isWorse(image, kept.back())))
        return;
    kept.insert(std::upper_bound(kept.begin(), kept.end(), image, &WorstImages::isWorse), image);
    if (kept.size() > capacity)
        kept.pop_back();
}
