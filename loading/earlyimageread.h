#ifndef QUADROTAG_EARLYIMAGEREAD_H
#define QUADROTAG_EARLYIMAGEREAD_H

#include "imagestream.h"

#include <QString>

#include <memory>

// The image a start will show first, read while the toolkit and the window are made: on a
// share its bytes take longer to come than the window takes to be built.
class EarlyImageRead
{
public:
    // Begins reading the file at path on threads of its own, in place of any read begun before.
    static void start(const QString& path);
    // The file read early for path, once it is open, once; any other path is opened now, and an
    // early read of another image is let go.
    static std::shared_ptr<ImageStream> takeOrOpen(const QString& path);
    // Reads still under way, early or not, which the end of the program must not wait for.
    static int underWay();
};

#endif
