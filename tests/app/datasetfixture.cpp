#include "datasetfixture.h"

#include "imageannotation.h"
#include "labelfile.h"
#include "workflowfixture.h"

#include <QDir>
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

QByteArray benchLabelBytes(int shapes, int shift, const std::function<QString(int)>& tagsOf)
{
    QByteArray bytes = "3\n";
    for (int s = 0; s < shapes; ++s) {
        const int x = 5 + (s % 5) * 60 + shift;
        const int y = 5 + (s / 5) * 55;
        bytes += QStringLiteral("4 %1 %2 %3 %2 %3 %4 %1 %4 \n%5\n")
                     .arg(x)
                     .arg(y)
                     .arg(x + 50)
                     .arg(y + 45)
                     .arg(tagsOf(s))
                     .toLatin1();
    }
    return bytes;
}

bool writeBenchDataset(const QString& dir, int fileCount, const QByteArray& labels, bool withImages)
{
    const int filesPerFolder = 500;
    for (int i = 0; i < fileCount; ++i) {
        const QString folder =
            QStringLiteral("%1/f%2").arg(dir).arg(i / filesPerFolder, 3, 10, QLatin1Char('0'));
        if (i % filesPerFolder == 0 && !QDir().mkpath(folder))
            return false;
        const QString stem = QStringLiteral("%1/img%2").arg(folder).arg(i, 6, 10, QLatin1Char('0'));
        if (!writeFileBytes(stem + ".lbl", labels) ||
            (withImages && !writeFileBytes(stem + ".jpg", QByteArray())))
            return false;
    }
    return true;
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
