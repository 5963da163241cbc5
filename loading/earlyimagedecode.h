#ifndef QUADROTAG_EARLYIMAGEDECODE_H
#define QUADROTAG_EARLYIMAGEDECODE_H

#include "imagefile.h"
#include "screenimage.h"

#include <QString>

#include <functional>
#include <optional>

// The image a start will show first, read and decoded while the toolkit and the window are
// made: on a share its bytes take longer to come than the window takes to be built.
class EarlyImageDecode
{
public:
    struct Decoded
    {
        ScreenImage image;
        // The file as its opening found it, without its bytes; cutShort where it changed
        // while it was read.
        ImageFile file;
    };

    // Begins reading and decoding the file at path at full resolution on threads of its own, in
    // place of any decode begun before.
    static void start(const QString& path);
    // The decode begun early for path, waited for, once; none for any other path, and an early
    // decode of another image is let go. Meanwhile, once its first topRows rows are in and more
    // are to come, showTop gets them, on the decoding thread (see topRowsOf).
    static std::optional<Decoded> take(const QString& path, int topRows = 0,
                                       const std::function<void(ScreenImage)>& showTop = {});
    // Reads and decodes still under way, early or not, which the end of the program must not
    // wait for.
    static int underWay();
};

#endif
