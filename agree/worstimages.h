#ifndef QUADROTAG_WORSTIMAGES_H
#define QUADROTAG_WORSTIMAGES_H

#include <QString>

#include <vector>

// How one image's shapes compared.
struct ImageAgreement
{
    QString image;
    int matched = 0;
    int onlyA = 0;
    int onlyB = 0;
    // 0 when nothing matched.
    double meanIou = 0;

    int unmatched() const { return onlyA + onlyB; }
};

// The images that agree least, kept while the images stream past: most unmatched shapes
// first, then the lower mean IoU, then the path. Holds never more than its capacity.
class WorstImages
{
public:
    explicit WorstImages(std::size_t capacity) : capacity(capacity) {}

    void add(const ImageAgreement& image);
    const std::vector<ImageAgreement>& images() const { return kept; }

    static bool isWorse(const ImageAgreement& first, const ImageAgreement& second);

private:
    std::size_t capacity;
    std::vector<ImageAgreement> kept;
};

#endif
