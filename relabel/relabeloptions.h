#ifndef QUADROTAG_RELABELOPTIONS_H
#define QUADROTAG_RELABELOPTIONS_H

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// What one run of quadrotag-relabel is asked to do.
struct RelabelOptions
{
    QString from;
    QString vocabulary = QStringLiteral("tags");
    // Old caption, new caption: tags renamed in the new vocabulary.
    std::vector<std::pair<QString, QString>> renames;
    bool dropMissing = false;
    bool dryRun = false;
    QStringList datasets;
};

// Parses the command line into options. Prints the help or the version and sets exitCode
// to exitDone when asked for them; prints the error and sets exitUnusable on a bad command
// line. Returns true only when the run should go on.
bool parseRelabelOptions(const QStringList& arguments, RelabelOptions& options, int& exitCode);

#endif
