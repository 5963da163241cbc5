#include "reportfigures.h"

#include "imageannotation.h"
#include "quadgeometry.h"
#include "teampaths.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>

namespace {

QString folderOf(const QString& relativePath)
{
    const qsizetype slash = relativePath.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : relativePath.left(slash);
}

// Messages that name two files: their kind is the words before the names.
const char* const namingKinds[] = {"shares its label file", "same name as",
                                   "more than one class tag is named"};

} // namespace

ReportFigures::ReportFigures(const QString& datasetRoot) : root(datasetRoot) {}

void ReportFigures::imageCounted(const ExportImage& image, const ImageAnnotation* annotation,
                                 ReviewState review, bool hasProposal)
{
    const QString folder = folderOf(image.relativePath);
    auto found = byFolder.find(folder);
    if (found == byFolder.end()) {
        if (byFolder.size() >= foldersKept) {
            ++folderOverflow;
            found = byFolder.end();
        } else
            found = byFolder.emplace(folder, FolderProgress()).first;
    }
    if (found != byFolder.end()) {
        FolderProgress& progress = found->second;
        ++progress.images;
        progress.labelled += annotation ? 1 : 0;
        progress.proposed += hasProposal ? 1 : 0;
        progress.accepted += review == ReviewState::Accepted ? 1 : 0;
        progress.rejected += review == ReviewState::Rejected ? 1 : 0;
    }
    if (annotation)
        addShapeAreas(image);
    if (review != ReviewState::Rejected)
        return;
    ++rejectedTotal;
    RejectedImage rejected{image.relativePath, Review()};
    if (rejectedImages.size() < rejectedKept &&
        readReview(reviewPathFor(QDir(root).filePath(image.relativePath)), rejected.review))
        rejectedImages.push_back(rejected);
}

void ReportFigures::addShapeAreas(const ExportImage& image)
{
    const double imageArea = double(image.size.width()) * double(image.size.height());
    if (imageArea <= 0)
        return;
    for (const ExportShape& shape : image.shapes) {
        const double share = quadArea(shape.corners) / imageArea;
        const auto bin = std::lower_bound(areaBinTops.begin(), areaBinTops.end(), share);
        ++areaBins[static_cast<std::size_t>(
            std::min<std::ptrdiff_t>(bin - areaBinTops.begin(), areaBinTops.size() - 1))];
    }
}

void ReportFigures::addProblem(const QString& path, const QString& message)
{
    ProblemGroup& group = problemGroups[problemKind(message)];
    ++group.count;
    if (group.examples.size() < examplesKept)
        group.examples.emplace_back(path, message);
}

QString ReportFigures::problemKind(const QString& message)
{
    static const QRegularExpression shapePrefix(QStringLiteral("^shape \\d+: "));
    static const QRegularExpression bracketed(QStringLiteral("\\([^)]*\\)"));
    static const QRegularExpression number(QStringLiteral("\\d+"));
    QString kind = message;
    kind.remove(shapePrefix);
    for (const char* naming : namingKinds)
        if (kind.startsWith(QLatin1String(naming)))
            return QLatin1String(naming);
    kind = kind.section(QStringLiteral(": "), 0, 0);
    kind.replace(bracketed, QStringLiteral("(…)"));
    kind.replace(number, QStringLiteral("N"));
    return kind;
}
