#ifndef QUADROTAG_LIBRARYLOGGING_H
#define QUADROTAG_LIBRARYLOGGING_H

// Stops the image library's own log lines, so that standard error carries only the
// program's lines; the operator learns of failures from the program's warnings.
void silenceImageLibraryLogging();

#endif
