#ifndef QUADROTAG_TESTS_DATASETFIXTURE_H
#define QUADROTAG_TESTS_DATASETFIXTURE_H

#include "label.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
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

// Label file bytes of the benchmarks: style 3 and shapes 50 x 45 squares in rows of five,
// moved right by shift; tagsOf(s) is the tags line of shape s ("count row column ...").
QByteArray benchLabelBytes(int shapes, int shift, const std::function<QString(int)>& tagsOf);
// fileCount copies of the label bytes, img000000.lbl on, in folders f000, f001 ... of 500 each;
// with images, an empty img*.jpg beside each.
bool writeBenchDataset(const QString& dir, int fileCount, const QByteArray& labels,
                       bool withImages);

#endif
