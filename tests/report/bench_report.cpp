// Writes the report page of generated datasets of 1,000 and 100,000 images (20 shapes each, in
// folders of 500, every image saved once in the operators' logs), with and without a second copy,
// and prints images per second and the peak resident size of each run, beside --stats on the
// same folder: the page should cost little more, and its memory should stay flat. Images and
// label files are hard links to one pair per folder, so the large dataset costs directory
// entries, not gigabytes.
#include "childrun.h"
#include "workflowfixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

#include <unistd.h>

namespace {

const char reporter[] = QUADROTAG_REPORT_EXECUTABLE;
const char exporter[] = QUADROTAG_EXPORT_EXECUTABLE;
const int imagesPerFolder = 500;
const int datasetSizes[] = {1000, 100000};
const char* const operators[] = {"ann@pc1", "bob@pc2", "cyd@pc3"};

QByteArray labelBytes(int shift)
{
    QByteArray bytes = "3\n";
    for (int s = 0; s < 20; ++s) {
        const int x = 5 + (s % 5) * 60 + shift;
        const int y = 5 + (s / 5) * 55;
        bytes += QStringLiteral("4 %1 %2 %3 %2 %3 %4 %1 %4 \n3 0 %5 2 %6 4 %7 \n")
                     .arg(x)
                     .arg(y)
                     .arg(x + 50)
                     .arg(y + 45)
                     .arg(s % 6)
                     .arg(1 + s % 5)
                     .arg(1 + s % 3)
                     .toLatin1();
    }
    return bytes;
}

bool hardLink(const QString& from, const QString& to)
{
    return ::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// One folder of the dataset: its images, label files and the lines of its three logs.
bool buildFolder(const QString& folder, int first, int count, const QString& jpeg, int shift)
{
    const QString logs = folder + QLatin1String("/.quadrotag/log/");
    // A file system allows some tens of thousands of links to one file: a pair per folder.
    if (!QDir().mkpath(logs) || !writeFileBytes(folder + "/first.lbl", labelBytes(shift)) ||
        !QFile::copy(jpeg, folder + "/first.jpeg"))
        return false;
    QByteArray lines[3];
    for (int i = first; i < first + count; ++i) {
        const QString stem = QStringLiteral("%1/img%2").arg(folder).arg(i, 6, 10, QLatin1Char('0'));
        if (!hardLink(folder + "/first.jpeg", stem + ".jpg") ||
            !hardLink(folder + "/first.lbl", stem + ".lbl"))
            return false;
        lines[i % 3] += QStringLiteral("2026-%1-%2T10:00:00Z\timg%3.jpg\t20\t%4\n")
                            .arg(11 + (i / 30) % 2)
                            .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                            .arg(i, 6, 10, QLatin1Char('0'))
                            .arg(30 + i % 90)
                            .toLatin1();
    }
    for (int op = 0; op < 3; ++op)
        if (!writeFileBytes(logs + operators[op] + QLatin1String(".log"), lines[op]))
            return false;
    return QFile::remove(folder + "/first.lbl") && QFile::remove(folder + "/first.jpeg");
}

bool buildDataset(const QString& dir, int imageCount, const QString& jpeg, int shift)
{
    for (int first = 0; first < imageCount; first += imagesPerFolder) {
        const QString folder =
            QStringLiteral("%1/f%2").arg(dir).arg(first / imagesPerFolder, 3, 10, QLatin1Char('0'));
        if (!QDir().mkpath(folder) || !buildFolder(folder, first, imagesPerFolder, jpeg, shift))
            return false;
    }
    return true;
}

void printRow(const char* what, int imageCount, const ChildRun& m)
{
    std::printf("%-18s %7d %9.3f %10.0f %9.1f %5d\n", what, imageCount, m.seconds,
                m.seconds > 0 ? imageCount / m.seconds : 0.0, m.peakKilobytes / 1024.0, m.exitCode);
    std::fflush(stdout);
}

std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir work(argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/report-XXXXXX")
                                : QDir::tempPath() + QStringLiteral("/report-XXXXXX"));
    if (!work.isValid() || !writeFileBytes(work.filePath("tags"), testVocabulary) ||
        !writeTestJpeg(work.filePath("sample.jpg"), 320, 240, 128))
        return 1;
    const std::string vocabulary = local(work.filePath("tags"));
    const std::string page = local(work.filePath("report.html"));
    std::printf("%-18s %7s %9s %10s %9s %5s\n", "run", "images", "seconds", "images/s", "peak MB",
                "exit");
    std::fflush(stdout);
    for (const int imageCount : datasetSizes) {
        const QString a = work.filePath(QStringLiteral("a%1").arg(imageCount));
        const QString b = work.filePath(QStringLiteral("b%1").arg(imageCount));
        if (!buildDataset(a, imageCount, work.filePath("sample.jpg"), 0) ||
            !buildDataset(b, imageCount, work.filePath("sample.jpg"), 4))
            return 1;
        printRow("stats --json", imageCount,
                 measureRun({exporter, "--vocabulary", vocabulary, "--stats", "--json", local(a)},
                            true));
        printRow("report", imageCount,
                 measureRun({reporter, "--vocabulary", vocabulary, "--output", page, local(a)}));
        printRow("report --json", imageCount,
                 measureRun({reporter, "--vocabulary", vocabulary, "--json", local(a)}, true));
        printRow("report --against", imageCount,
                 measureRun({reporter, "--vocabulary", vocabulary, "--against", local(b),
                             "--output", page, local(a)}));
        QDir(a).removeRecursively();
        QDir(b).removeRecursively();
    }
    return 0;
}
