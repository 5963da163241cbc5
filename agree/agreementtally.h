#ifndef QUADROTAG_AGREEMENTTALLY_H
#define QUADROTAG_AGREEMENTTALLY_H

#include "shapematching.h"
#include "taglayout.h"
#include "worstimages.h"

#include <QString>

#include <optional>
#include <vector>

class ImageAnnotation;

// How far two operators agree, gathered one image at a time. Memory grows with the
// vocabulary, never with the number of images.
class AgreementTally
{
public:
    struct TagAgreement
    {
        QString caption;
        long long both = 0;
        long long onlyA = 0;
        long long onlyB = 0;
        std::optional<double> kappa;
    };

    static constexpr int styleCount = 16;
    static constexpr std::size_t worstCount = 10;

    // Keeps the worstKept images that agree least.
    explicit AgreementTally(const TagLayout& layout, std::size_t worstKept = worstCount);

    // One image compared: the shapes of each operator and the pairs matched between them.
    // A style outside the sixteen leaves the image out of the style counts.
    void addImage(const QString& image, const ImageAnnotation& a, const ImageAnnotation& b,
                  const std::vector<ShapeMatch>& matches);

    long long images() const { return imageCount; }
    long long shapesA() const { return shapeCountA; }
    long long shapesB() const { return shapeCountB; }
    long long matched() const { return matchedCount; }
    long long onlyA() const { return shapeCountA - matchedCount; }
    long long onlyB() const { return shapeCountB - matchedCount; }
    // 0 when nothing matched.
    double meanIou() const;
    // The tag cells that a matched shape carries, in row-major order.
    std::vector<TagAgreement> tags() const;
    long long stylesAgreed() const;
    long long stylesDisagreed() const;
    std::optional<double> styleKappa() const;
    const std::vector<ImageAgreement>& worst() const { return worstImages.images(); }

    static bool isStyle(int styleIndex) { return styleIndex >= 0 && styleIndex < styleCount; }
    // The position of a tag cell in the counts, or -1 when it names no tag.
    int cellIndex(const std::pair<int, int>& cell) const;

private:
    struct TagCounts
    {
        long long both = 0;
        long long onlyA = 0;
        long long onlyB = 0;
    };

    void addTags(const std::vector<std::pair<int, int>>& a,
                 const std::vector<std::pair<int, int>>& b);
    std::vector<int> cellsOf(const std::vector<std::pair<int, int>>& tags) const;

    const TagLayout& layout;
    std::vector<TagCounts> tagCounts;
    // Row: the first operator's style, column: the second's.
    std::vector<long long> styleTable;
    WorstImages worstImages;
    long long imageCount = 0;
    long long shapeCountA = 0;
    long long shapeCountB = 0;
    long long matchedCount = 0;
    double iouSum = 0;
};

#endif
