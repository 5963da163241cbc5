// Relabels generated datasets of 1,000 and 100,000 label files (20 shapes each, every file
// changed by a tag added to the first category) and prints files per second and the
// relabeller's peak resident size, measured per run.
#include "childrun.h"
#include "datasetfixture.h"
#include "workflowfixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char relabeller[] = QUADROTAG_RELABEL_EXECUTABLE;
const int shapesPerFile = 20;
const int datasetSizes[] = {1000, 100000};
const QByteArray oldIndex = "0,0,S1\n0,1,S2\n0,2,S3\n0,3,S4\n0,4,S5\n0,5,S6\n"
                            "1,1,K: T1\n1,2,K: T2\n1,3,K: T3\n1,4,K: T4\n1,5,K: T5\n"
                            "2,1,M: U1\n2,2,M: U2\n2,3,M: U3\n2,4,M: U4\n2,5,M: U5\n";
// The index of "S1 0 .. S6 0 K 5 T1 .. T5 M 5 U1 .. U5"; K grows to two rows, so every tag of M
// moves down one row.
const QByteArray newVocabulary = "S1 0 S2 0 S3 0 S4 0 S5 0 S6 0\nK 6 T1 T2 T3 T4 T5 T6\n"
                                 "M 5 U1 U2 U3 U4 U5\n";

QByteArray labelFileBytes()
{
    return benchLabelBytes(shapesPerFile, 0, [](int s) {
        return QStringLiteral("3 0 %1 1 %2 2 %3 ").arg(s % 6).arg(1 + s % 5).arg(1 + s % 3);
    });
}

} // namespace

int main(int argc, char* argv[])
{
    // The scratch folder may be named, so that the files land on the disk being measured.
    QTemporaryDir work(argc > 1
                           ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/relabel-XXXXXX")
                           : QDir::tempPath() + QStringLiteral("/relabel-XXXXXX"));
    if (!work.isValid())
        return 1;
    const QByteArray labels = labelFileBytes();
    std::printf("%-8s %7s %9s %9s %9s %5s\n", "run", "files", "seconds", "files/s", "peak MB",
                "exit");
    for (const int fileCount : datasetSizes) {
        const QString project = work.filePath(QStringLiteral("p%1").arg(fileCount));
        const QString dataset = project + QStringLiteral("/ds");
        if (!QDir().mkpath(project) || !writeFileBytes(project + "/tags", newVocabulary) ||
            !writeBenchDataset(dataset, fileCount, labels, false))
            return 1;
        for (const char* run : {"dry-run", "relabel"}) {
            if (!writeFileBytes(project + "/index2tag.csv", oldIndex))
                return 1;
            std::vector<std::string> arguments{
                relabeller, "--from", QFile::encodeName(project + "/index2tag.csv").toStdString(),
                "--vocabulary", QFile::encodeName(project + "/tags").toStdString()};
            if (QByteArray(run) == "dry-run")
                arguments.push_back("--dry-run");
            arguments.push_back(QFile::encodeName(dataset).toStdString());
            const ChildRun m = measureRun(arguments, true);
            std::printf("%-8s %7d %9.3f %9.0f %9.1f %5d\n", run, fileCount, m.seconds,
                        m.seconds > 0 ? fileCount / m.seconds : 0.0, m.peakKilobytes / 1024.0,
                        m.exitCode);
            std::fflush(stdout);
        }
        QDir(project).removeRecursively();
    }
    return 0;
}
