#ifndef QUADROTAG_EARLYIMAGEREAD_H
#define QUADROTAG_EARLYIMAGEREAD_H

#include "imagefile.h"

#include <QString>

// The image a start will show first, read while the toolkit and the window are made: on a
// share its bytes take longer to come than the window takes to be built.
class EarlyImageRead
{
public:
    // Begins reading the file at path on a thread of its own, in place of any read begun before.
    static void start(const QString& path);
    // The bytes read early for path, waited for, once; any other path is read now, and an early
    // read of another image is let go.
    static ImageFile takeOrRead(const QString& path);
    // Reads still under way, which the end of the program must not wait for.
    static int underWay();
};

#endif
