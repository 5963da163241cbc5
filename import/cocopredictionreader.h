#ifndef QUADROTAG_COCOPREDICTIONREADER_H
#define QUADROTAG_COCOPREDICTIONREADER_H

#include "consolereport.h"
#include "prediction.h"
#include "predictionspool.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <cstdio>
#include <vector>

// An image of a COCO file: what the importer keeps per image while it reads.
struct CocoImage
{
    qint64 id = 0;
    QString fileName;
    int styleIndex = 0;
};

// Reads COCO instances or a detection results list as a stream of events (RapidJSON's
// Reader): images and categories go into small tables, each annotation into the spool by its
// image, so that no prediction stays in memory. Then hands out the predictions image by image.
class CocoPredictionReader
{
public:
    // classNames name category ids 1, 2, ... when the file has no categories of its own, as in a
    // results list of a model trained on an exported dataset.
    CocoPredictionReader(const QString& path, const QStringList& classNames, ConsoleReport& report);

    // False with the reason when the file is no COCO JSON; problems of single entries are
    // reported and those entries left out.
    bool read(std::FILE* file, QString& error);

    // Reads only the images and categories: the instances a results list was predicted on.
    void skipAnnotations() { annotationsSkipped = true; }
    // A list of annotations without images, which names images and categories by id only.
    bool isResultsList() const { return resultsList; }
    // Names the ids of a results list by the images, and the categories unless it has its
    // own, of the instances it was predicted on.
    void takeNamesFrom(const CocoPredictionReader& instances);
    const std::vector<CocoImage>& images() const { return imageTable; }
    // The predictions of the image in file order; problems with them are reported. Masks of
    // another size than imageSize, when known, are refused undecoded.
    std::vector<Prediction> take(qint64 imageId, const QSize& imageSize = QSize());
    // Reports the annotations whose image is not among the images, or not in the dataset.
    void reportUnclaimed(const QString& reason);

    // Called by the event handler with one whole element of a top-level array.
    enum class Section { None, Images, Annotations, Categories };
    void addElement(Section section, const char* json, std::size_t size);
    void setResultsList() { resultsList = true; }

private:
    void leaveOutDuplicateImages();
    void addImage(const char* json, std::size_t size);
    void addCategory(const char* json, std::size_t size);
    void addAnnotation(const char* json, std::size_t size);
    bool toPrediction(const QByteArray& record, const QSize& imageSize, Prediction& prediction);
    QString categoryName(qint64 id) const;

    QString path;
    QStringList classNames;
    ConsoleReport& report;
    QStringList styleNames;
    std::vector<CocoImage> imageTable;
    QHash<qint64, QString> categories;
    QSet<qint64> sharedCategories;
    QSet<qint64> leftOutIds;
    PredictionSpool spool;
    int annotationCount = 0;
    bool resultsList = false;
    bool annotationsSkipped = false;
};

#endif
