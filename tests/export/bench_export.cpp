// Exports generated datasets of 1,000, 10,000 and 100,000 images (20 shapes each) in every
// format, imports each export back as proposals, counts each with --stats, and prints images per
// second and the peak resident size of every run. Then the same images in one flat folder, 1,000
// and 100,000 of them, checked, counted and exported: listing a folder must not cost memory per
// entry beyond the names. The images and label files of a folder are hard links to a few pairs,
// so the largest dataset costs directory entries, not gigabytes; every output is removed after
// its run. "flat" as the only argument runs the flat folders alone.
#include "childrun.h"
#include "imageannotation.h"
#include "labelfile.h"
#include "workflowfixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

const char exporter[] = QUADROTAG_EXPORT_EXECUTABLE;
const char importer[] = QUADROTAG_IMPORT_EXECUTABLE;
const int shapesPerImage = 20;
const int imagesPerFolder = 500;
const int imageWidth = 320;
const int imageHeight = 240;
const int datasetSizes[] = {1000, 10000, 100000};
const int flatSizes[] = {1000, 100000};
const char* const formats[] = {"coco", "yolo-obb", "dota"};

long residentKilobytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

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

bool hardLink(const QString& from, const QString& to)
{
    return ::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// A file system allows some tens of thousands of links to one file: each run of imagesPerFolder
// images links to a copy of its own, in a folder of its own unless the dataset is flat.
bool buildDataset(const QString& dir, int imageCount, const QString& jpeg, const QString& labels,
                  bool flat = false)
{
    QString folderJpeg;
    QString folderLabels;
    for (int i = 0; i < imageCount; ++i) {
        const QString folder = flat ? dir
                                    : QStringLiteral("%1/f%2").arg(dir).arg(i / imagesPerFolder, 3,
                                                                            10, QLatin1Char('0'));
        const QString stem = QStringLiteral("%1/img%2").arg(folder).arg(i, 5, 10, QLatin1Char('0'));
        const QString imagePath = stem + QLatin1String(".jpg");
        const QString labelPath = stem + QLatin1String(".lbl");
        if (i % imagesPerFolder == 0) {
            folderJpeg = imagePath;
            folderLabels = labelPath;
            if (!QDir().mkpath(folder) || !QFile::copy(jpeg, imagePath) ||
                !QFile::copy(labels, labelPath))
                return false;
        } else if (!hardLink(folderJpeg, imagePath) || !hardLink(folderLabels, labelPath)) {
            return false;
        }
    }
    return true;
}

void printRow(const char* what, int imageCount, const ChildRun& m)
{
    std::printf("%-16s %7d %9.3f %10.0f %9.1f %5d\n", what, imageCount, m.seconds,
                m.seconds > 0 ? imageCount / m.seconds : 0.0, m.peakKilobytes / 1024.0, m.exitCode);
    std::fflush(stdout);
}

std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// The proposals of an import, in every folder of the dataset.
void removeProposals(const QString& dataset)
{
    for (const QString& folder : QDir(dataset).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        QDir(dataset + QLatin1Char('/') + folder + QLatin1String("/.proposals"))
            .removeRecursively();
}

void exportAndImport(const QString& dataset, const QString& output, const char* format,
                     const std::string& vocabulary, int imageCount)
{
    const ChildRun exported = measureRun({exporter, "--vocabulary", vocabulary, "--format", format,
                                          "--output", local(output), local(dataset)});
    printRow((std::string("export ") + format).c_str(), imageCount, exported);
    const QString predictions =
        QByteArray(format) == "coco" ? output + QLatin1String("/instances.json") : output;
    const ChildRun imported = measureRun({importer, "--vocabulary", vocabulary, "--format", format,
                                          local(predictions), local(dataset)});
    printRow((std::string("import ") + format).c_str(), imageCount, imported);
    QDir(output).removeRecursively();
    removeProposals(dataset);
}

// One folder of every image: the listing is the part that grows with the folder.
bool measureFlat(const QString& work, const std::string& vocabulary)
{
    for (const int imageCount : flatSizes) {
        const QString dataset = work + QStringLiteral("/flat%1").arg(imageCount);
        const QString output = work + QStringLiteral("/flat-out");
        if (!buildDataset(dataset, imageCount, work + QLatin1String("/sample.jpg"),
                          work + QLatin1String("/sample.lbl"), true))
            return false;
        printRow("flat check", imageCount,
                 measureRun({exporter, "--vocabulary", vocabulary, "--check", local(dataset)}));
        printRow(
            "flat stats", imageCount,
            measureRun({exporter, "--vocabulary", vocabulary, "--stats", "--json", local(dataset)},
                       true));
        for (const char* format : formats) {
            printRow((std::string("flat ") + format).c_str(), imageCount,
                     measureRun({exporter, "--vocabulary", vocabulary, "--format", format,
                                 "--output", local(output), local(dataset)}));
            QDir(output).removeRecursively();
        }
        QDir(dataset).removeRecursively();
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir work;
    if (!work.isValid() || !writeFileBytes(work.filePath("tags"), testVocabulary) ||
        !writeTestJpeg(work.filePath("sample.jpg"), imageWidth, imageHeight, 128))
        return 1;
    labelFileBytes(work.filePath("sample.lbl"));
    const std::string vocabulary = local(work.filePath("tags"));

    std::printf("%-16s %7s %9s %10s %9s %5s\n", "run", "images", "seconds", "images/s", "peak MB",
                "exit");
    const bool flatOnly = argc == 2 && std::string(argv[1]) == "flat";
    for (const int imageCount : datasetSizes) {
        if (flatOnly)
            break;
        const QString dataset = work.filePath(QStringLiteral("set%1").arg(imageCount));
        if (!buildDataset(dataset, imageCount, work.filePath("sample.jpg"),
                          work.filePath("sample.lbl")))
            return 1;
        std::printf("(this benchmark's own resident size before the runs: %.1f MB)\n",
                    residentKilobytes() / 1024.0);
        printRow("check", imageCount,
                 measureRun({exporter, "--vocabulary", vocabulary, "--check", local(dataset)}));
        printRow(
            "stats --json", imageCount,
            measureRun({exporter, "--vocabulary", vocabulary, "--stats", "--json", local(dataset)},
                       true));
        for (const char* format : formats)
            exportAndImport(dataset, work.filePath(QStringLiteral("out")), format, vocabulary,
                            imageCount);
        QDir(dataset).removeRecursively();
    }
    return measureFlat(work.path(), vocabulary) ? 0 : 1;
}
