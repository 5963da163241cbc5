#include "imageannotation.h"

namespace {
const char* const furnishingStyles[] = {
    "None",        "Scandinavian", "Southeast Asian", "Korean",        "Japanese",    "Chinese",
    "Jane",        "American",     "Neoclassical",    "European",      "Mixture",     "Post-modern",
    "Retro",       "Mediterranean", "Pastoralism",    "Modern Brief",
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
