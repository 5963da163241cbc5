#include "label.h"

bool Label::operator==(const Label& other) const
{
    return points == other.points && tags == other.tags && text == other.text;
}
