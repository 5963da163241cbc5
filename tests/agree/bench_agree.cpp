// Compares two generated copies of datasets of 1,000 and 100,000 labelled images (20 shapes
// each, the second copy's shapes shifted and some tags changed) and prints images per second
// and the tool's peak resident size, measured per run: it should stay flat. Then one image of
// 5,000, 100,000 and 1,000,000 shapes, each meeting only its own shifted copy: the time and
// the size should grow with the shapes, not with their square. Last one image whose 60,000
// shapes overlap in one chain (each shape of one side meets two of the other), which no split
// into groups makes smaller; "bench_agree FOLDER chain" runs that one alone.
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

const char agreeProgram[] = QUADROTAG_AGREE_EXECUTABLE;
const int shapesPerFile = 20;
const std::vector<int> datasetSizes{1000, 100000};
const std::vector<int> shapesPerImage{5000, 100000, 1000000};
const QByteArray vocabulary = "S1 0 S2 0 S3 0 S4 0 S5 0 S6 0\nK 5 T1 T2 T3 T4 T5\n";

QByteArray labelFileBytes(int shift, int tagShift)
{
    return benchLabelBytes(shapesPerFile, shift, [tagShift](int s) {
        return QStringLiteral("2 0 %1 1 %2 ").arg((s + tagShift) % 6).arg(1 + s % 5);
    });
}

// Squares of 20 pixels in a row, 10 apart, shifted: each meets its shifted copy and the
// copy of the next at IoU 0.6.
QByteArray chainLabelBytes(int shapes, int shift)
{
    QByteArray bytes = "3\n";
    for (int s = 0; s < shapes; ++s) {
        const int x = 10 * s + shift;
        bytes += QStringLiteral("4 %1 5 %2 5 %2 25 %1 25 \n1 0 %3 \n")
                     .arg(x)
                     .arg(x + 20)
                     .arg(s % 6)
                     .toLatin1();
    }
    return bytes;
}

ChildRun runAgree(const QTemporaryDir& work, const QString& a, const QString& b)
{
    return measureRun({agreeProgram, "--json", "--vocabulary",
                       QFile::encodeName(work.filePath("tags")).toStdString(),
                       QFile::encodeName(a).toStdString(), QFile::encodeName(b).toStdString()},
                      true);
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir work(argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/agree-XXXXXX")
                                : QDir::tempPath() + QStringLiteral("/agree-XXXXXX"));
    if (!work.isValid() || !writeFileBytes(work.filePath("tags"), vocabulary))
        return 1;
    const bool chainOnly = argc > 2 && QByteArray(argv[2]) == "chain";
    std::printf("%7s %9s %9s %9s %5s\n", "images", "seconds", "images/s", "peak MB", "exit");
    // A forked child would print what is still buffered once more.
    std::fflush(stdout);
    for (const int fileCount : chainOnly ? std::vector<int>() : datasetSizes) {
        const QString a = work.filePath(QStringLiteral("a%1").arg(fileCount));
        const QString b = work.filePath(QStringLiteral("b%1").arg(fileCount));
        if (!writeBenchDataset(a, fileCount, labelFileBytes(0, 0), true) ||
            !writeBenchDataset(b, fileCount, labelFileBytes(4, 1), true))
            return 1;
        const ChildRun m = runAgree(work, a, b);
        std::printf("%7d %9.3f %9.0f %9.1f %5d\n", fileCount, m.seconds,
                    m.seconds > 0 ? fileCount / m.seconds : 0.0, m.peakKilobytes / 1024.0,
                    m.exitCode);
        std::fflush(stdout);
        QDir(a).removeRecursively();
        QDir(b).removeRecursively();
    }
    std::printf("\n%7s %9s %9s %5s\n", "shapes", "seconds", "peak MB", "exit");
    std::fflush(stdout);
    for (const int shapes : chainOnly ? std::vector<int>() : shapesPerImage) {
        const QString a = work.filePath(QStringLiteral("one-a%1").arg(shapes));
        const QString b = work.filePath(QStringLiteral("one-b%1").arg(shapes));
        const auto tags = [](int s) { return QStringLiteral("1 0 %1 ").arg(s % 6); };
        if (!writeBenchDataset(a, 1, benchLabelBytes(shapes, 0, tags), true) ||
            !writeBenchDataset(b, 1, benchLabelBytes(shapes, 4, tags), true))
            return 1;
        const ChildRun m = runAgree(work, a, b);
        std::printf("%7d %9.3f %9.1f %5d\n", shapes, m.seconds, m.peakKilobytes / 1024.0,
                    m.exitCode);
        std::fflush(stdout);
        QDir(a).removeRecursively();
        QDir(b).removeRecursively();
    }
    const int chainShapes = 30000;
    const QString a = work.filePath(QStringLiteral("chain-a"));
    const QString b = work.filePath(QStringLiteral("chain-b"));
    if (!writeBenchDataset(a, 1, chainLabelBytes(chainShapes, 0), true) ||
        !writeBenchDataset(b, 1, chainLabelBytes(chainShapes, 5), true))
        return 1;
    const ChildRun m = runAgree(work, a, b);
    std::printf("%7d %9.3f %9.1f %5d  (one chain)\n", 2 * chainShapes, m.seconds,
                m.peakKilobytes / 1024.0, m.exitCode);
    return 0;
}
