#ifndef QUADROTAG_REPORTFIGURES_H
#define QUADROTAG_REPORTFIGURES_H

#include "countedimagelistener.h"
#include "reviewfile.h"

#include <QString>

#include <array>
#include <map>
#include <vector>

// The figures of the page that --stats does not print, gathered from the very images it
// counts. Memory grows with the folders and the kept examples, never with the images.
class ReportFigures : public CountedImageListener
{
public:
    struct FolderProgress
    {
        long long images = 0;
        long long labelled = 0;
        long long proposed = 0;
        long long accepted = 0;
        long long rejected = 0;
        // Neither labelled nor proposed.
        long long untouched() const { return images - labelled - proposed; }
    };

    struct ProblemGroup
    {
        long long count = 0;
        // The first ones, path and message.
        std::vector<std::pair<QString, QString>> examples;
    };

    struct RejectedImage
    {
        QString image;
        Review review;
    };

    // Upper bounds of the shape-size bins, as a share of the image's area.
    static constexpr std::array<double, 7> areaBinTops = {0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1.0};
    static constexpr std::size_t examplesKept = 20;
    static constexpr std::size_t rejectedKept = 100;
    static constexpr std::size_t foldersKept = 1000;

    explicit ReportFigures(const QString& datasetRoot);

    void imageCounted(const ExportImage& image, const ImageAnnotation* annotation,
                      ReviewState review, bool hasProposal) override;
    void addProblem(const QString& path, const QString& message);

    // By folder relative to the dataset, "" for the root; at most foldersKept, the rest in
    // foldersOver.
    const std::map<QString, FolderProgress>& folders() const { return byFolder; }
    long long foldersOver() const { return folderOverflow; }
    const std::array<long long, areaBinTops.size()>& shapeAreas() const { return areaBins; }
    const std::map<QString, ProblemGroup>& problems() const { return problemGroups; }
    const std::vector<RejectedImage>& rejected() const { return rejectedImages; }
    long long rejectedCount() const { return rejectedTotal; }

    // What kind of problem a message tells, without the numbers and names of the one case.
    static QString problemKind(const QString& message);

private:
    void addShapeAreas(const ExportImage& image);

    QString root;
    std::map<QString, FolderProgress> byFolder;
    long long folderOverflow = 0;
    std::array<long long, areaBinTops.size()> areaBins{};
    std::map<QString, ProblemGroup> problemGroups;
    std::vector<RejectedImage> rejectedImages;
    long long rejectedTotal = 0;
};

#endif
