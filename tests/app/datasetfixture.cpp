#include "datasetfixture.h"

#include "imageannotation.h"
#include "labelfile.h"

#include <QFile>
#include <QProcess>

namespace {
const int programTimeoutMs = 60000;
} // namespace

ProgramRun runProgram(const QString& program, const QString& workingDir,
                      const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(workingDir);
    process.start(program, arguments);
    ProgramRun result;
    if (!process.waitForFinished(programTimeoutMs) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

Label shape(const std::vector<QPoint>& points, const std::vector<std::pair<int, int>>& tags)
{
    Label label;
    label.points = points;
    label.tags = tags;
    return label;
}

bool writeLabels(const QString& path, int styleIndex, const std::vector<Label>& labels)
{
    ImageAnnotation annotation;
    annotation.styleIndex = styleIndex;
    annotation.labels = labels;
    return writeLabelFile(annotation, QFile::encodeName(path).toStdString());
}
