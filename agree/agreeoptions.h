#ifndef QUADROTAG_AGREEOPTIONS_H
#define QUADROTAG_AGREEOPTIONS_H

#include <QString>
#include <QStringList>

#include <cstddef>

// What one run of quadrotag-agree is asked to do.
struct AgreeOptions
{
    double iouThreshold = 0.5;
    bool json = false;
    QString vocabulary = QStringLiteral("tags");
    QString folderA;
    QString folderB;
    // How many of the images that agree least are named.
    std::size_t worstKept = 10;
};

// Parses the command line into options. Prints the help or the version and sets exitCode
// to exitDone when asked for them; prints the error and sets exitUnusable on a bad command
// line. Returns true only when the run should go on.
bool parseAgreeOptions(const QStringList& arguments, AgreeOptions& options, int& exitCode);

#endif
