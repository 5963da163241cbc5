#ifndef QUADROTAG_VIEWADJUSTMENT_H
#define QUADROTAG_VIEWADJUSTMENT_H

#include <QString>

#include <array>

class QImage;
class QRect;

// Brightness and contrast of what the canvas shows, in percent; both 0 show the pixels as
// they are. Only screen pixels are ever adjusted, never an image file or an export.
struct ViewAdjustment
{
    static constexpr int lowest = -100;
    static constexpr int highest = 100;
    // What one key press changes.
    static constexpr int step = 10;

    int brightness = 0;
    int contrast = 0;

    bool isNeutral() const { return brightness == 0 && contrast == 0; }
    // Each held within lowest and highest.
    ViewAdjustment withBrightness(int percent) const;
    ViewAdjustment withContrast(int percent) const;

    bool operator==(const ViewAdjustment& other) const;
    bool operator!=(const ViewAdjustment& other) const { return !(*this == other); }
};

// What each 8-bit channel value becomes: brightness multiplies it, so black stays black
// in a brightened dark room, then contrast stretches the result about mid-grey.
std::array<unsigned char, 256> adjustmentTable(const ViewAdjustment& adjustment);
// Adjusts the colour channels in place, leaving alpha alone; the image becomes 32-bit RGB
// when it was in another format.
void applyAdjustment(QImage& image, const ViewAdjustment& adjustment);
// The area of the image adjusted into a new 32-bit image, read straight from the pixels
// the image shares with a pixmap, so that no other copy is made.
QImage adjustedCopy(const QImage& image, const QRect& area, const ViewAdjustment& adjustment);
// For the status bar: "Brightness +20 %, contrast -10 %".
QString adjustmentText(const ViewAdjustment& adjustment);

#endif
