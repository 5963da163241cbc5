#ifndef QUADROTAG_TESTS_DATASETFIXTURE_H
#define QUADROTAG_TESTS_DATASETFIXTURE_H

#include "label.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// What a command-line program left behind; exitCode -1 when it did not end normally.
struct ProgramRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the program in workingDir and waits up to a minute for it.
ProgramRun runProgram(const QString& program, const QString& workingDir,
                      const QStringList& arguments);

// A shape with the given corners and tags.
Label shape(const std::vector<QPoint>& points, const std::vector<std::pair<int, int>>& tags);
// Writes a label file with the style and the shapes.
bool writeLabels(const QString& path, int styleIndex, const std::vector<Label>& labels);

#endif
