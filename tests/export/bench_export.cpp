// Exports generated datasets of 1,000 and 10,000 images (20 shapes each) in every format and
// prints images per second and the exporter's peak resident size, measured per run.
#include "imageannotation.h"
#include "labelfile.h"
#include "workflowfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char exporter[] = QUADROTAG_EXPORT_EXECUTABLE;
const int shapesPerImage = 20;
const int imagesPerFolder = 500;
const int imageWidth = 320;
const int imageHeight = 240;
const int datasetSizes[] = {1000, 10000};
const char* const formats[] = {"check", "coco", "yolo-obb", "dota"};

long residentKilobytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

struct Measurement
{
    bool finished = false;
    int exitCode = -1;
    double seconds = 0;
    long peakKilobytes = 0;
};

// Twenty tagged shapes spread over the image, with a class tag and two attribute tags.
QByteArray labelFileBytes(const QString& scratchPath)
{
    ImageAnnotation annotation;
    annotation.styleIndex = 3;
    for (int s = 0; s < shapesPerImage; ++s) {
        Label label;
        const int x = 5 + (s % 5) * 60;
        const int y = 5 + (s / 5) * 55;
        label.points = {QPoint(x, y), QPoint(x + 50, y + 3), QPoint(x + 48, y + 45),
                        QPoint(x + 2, y + 40)};
        label.tags = {{0, s % 6}, {2, 1 + s % 5}, {4, 1 + s % 3}};
        annotation.labels.push_back(label);
    }
    writeLabelFile(annotation, QFile::encodeName(scratchPath).toStdString());
    return fileBytes(scratchPath);
}

bool buildDataset(const QString& dir, int imageCount, const QByteArray& jpeg,
                  const QByteArray& labels)
{
    for (int i = 0; i < imageCount; ++i) {
        const QString folder =
            QStringLiteral("%1/f%2").arg(dir).arg(i / imagesPerFolder, 3, 10, QLatin1Char('0'));
        if (i % imagesPerFolder == 0 && !QDir().mkpath(folder))
            return false;
        const QString stem = QStringLiteral("%1/img%2").arg(folder).arg(i, 5, 10, QLatin1Char('0'));
        if (!writeFileBytes(stem + QLatin1String(".jpg"), jpeg) ||
            !writeFileBytes(stem + QLatin1String(".lbl"), labels))
            return false;
    }
    return true;
}

// Runs the exporter as a child of its own, so that its peak resident size is its alone.
Measurement runExporter(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    Measurement measured;
    QElapsedTimer clock;
    clock.start();
    // fork, not posix_spawn: the kernel carries the peak of the memory a process had before
    // exec into its own, and a forked child starts from this process's present size, which
    // stays below the exporter's (both are printed).
    const pid_t child = fork();
    if (child < 0)
        return measured;
    if (child == 0) {
        execv(exporter, argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return measured;
    measured.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    measured.finished = WIFEXITED(status);
    measured.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    measured.peakKilobytes = usage.ru_maxrss;
    return measured;
}

} // namespace

int main()
{
    QTemporaryDir work;
    if (!work.isValid() || !writeFileBytes(work.filePath("tags"), testVocabulary) ||
        !writeTestJpeg(work.filePath("sample.jpg"), imageWidth, imageHeight, 128))
        return 1;
    const QByteArray jpeg = fileBytes(work.filePath("sample.jpg"));
    const QByteArray labels = labelFileBytes(work.filePath("sample.lbl"));
    const std::string vocabulary = QFile::encodeName(work.filePath("tags")).toStdString();

    std::printf("%-9s %7s %9s %10s %9s %5s\n", "format", "images", "seconds", "images/s", "peak MB",
                "exit");
    for (const int imageCount : datasetSizes) {
        const QString dataset = work.filePath(QStringLiteral("set%1").arg(imageCount));
        if (!buildDataset(dataset, imageCount, jpeg, labels))
            return 1;
        std::printf("(this benchmark's own resident size before the runs: %.1f MB)\n",
                    residentKilobytes() / 1024.0);
        for (const char* format : formats) {
            const bool checkOnly = QByteArray(format) == "check";
            const std::string output =
                QFile::encodeName(
                    work.filePath(
                        QStringLiteral("out-%1-%2").arg(QLatin1String(format)).arg(imageCount)))
                    .toStdString();
            std::vector<std::string> arguments{exporter, "--vocabulary", vocabulary};
            if (checkOnly)
                arguments.insert(arguments.end(), {"--check"});
            else
                arguments.insert(arguments.end(), {"--format", format, "--output", output});
            arguments.push_back(QFile::encodeName(dataset).toStdString());
            const Measurement m = runExporter(arguments);
            std::printf("%-9s %7d %9.3f %10.0f %9.1f %5d\n", format, imageCount, m.seconds,
                        m.seconds > 0 ? imageCount / m.seconds : 0.0, m.peakKilobytes / 1024.0,
                        m.exitCode);
            std::fflush(stdout);
        }
    }
    return 0;
}
