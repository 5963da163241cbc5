#ifndef QUADROTAG_JPEGSTREAMDECODER_H
#define QUADROTAG_JPEGSTREAMDECODER_H

#include <QImage>
#include <QSize>

#include <functional>
#include <memory>

class ImageStream;

// A JPEG decoded as its bytes arrive, straight into the layout a pixmap uses (32-bit RGB) and
// turned upright by its EXIF orientation. What libjpeg can't hand over that way (CMYK, a file
// cut short or damaged) fails, and is left to the decoder of whole files.
class JpegStreamDecoder
{
public:
    explicit JpegStreamDecoder(ImageStream& stream);
    ~JpegStreamDecoder();
    JpegStreamDecoder(const JpegStreamDecoder&) = delete;
    JpegStreamDecoder& operator=(const JpegStreamDecoder&) = delete;

    // Reads the markers up to the first scan; false where that fails.
    bool readHeader();
    // After the EXIF orientation; valid once the header was read.
    QSize uprightSize() const;
    // Told after each row of a decode where the rows are stored upright: the pixels so far and
    // how many rows from the top are in. Rows below those are not yet written.
    using RowsIn = std::function<void(const QImage& sofar, int rows)>;
    // The pixels at one reduction-th (1, 2, 4 or 8) of each side; null on any failure.
    QImage decode(int reduction, const RowsIn& rowsIn = RowsIn());

private:
    struct State;
    std::unique_ptr<State> state;
};

#endif
