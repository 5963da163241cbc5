#ifndef QUADROTAG_BATCHFILES_H
#define QUADROTAG_BATCHFILES_H

#include <QHash>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <vector>

// The image files of a batch, and for each whether its label file and a model's proposal
// exist.
struct BatchFiles
{
    QStringList imagePaths;
    std::vector<bool> labelled;
    std::vector<bool> proposed;
    // Rows whose label file another row keeps ("x.JPG" beside "x.jpg"), each with that row:
    // they are shown read only, so one image's annotation never replaces the other's.
    QHash<int, int> sharedLabels;
    // Names left out because their bytes don't come back from their text, bytes escaped:
    // opened by their text they would be another file.
    QStringList undecodable;
    // Rows whose label file an image left out of the batch keeps ("x.JPG" named without
    // "x.jpg"), each with that image's file name: shown read only as well.
    QHash<int, QString> keepersOutside;
};

// Every JPEG ("*.jpg" in any case) directly in folder, in natural order, with the state
// of its label file and its proposal; the folder and its proposal folder are listed once.
// found, when given, counts the images seen so far, for another thread to show.
BatchFiles listFolderImages(const QString& folder, std::atomic<int>* found = nullptr);

// The image a listing will start its batch at, told as soon as the folder is read, before the
// list is sorted: the remembered image when it is in the folder, else the first image to label.
// Nothing is told when every image has a label file or a proposal.
struct FirstImageWish
{
    QString remembered;
    std::function<void(const QString& imagePath)> tell;
};
BatchFiles listFolderImages(const QString& folder, std::atomic<int>* found,
                            const FirstImageWish& wish);

// These image files with the state of their label files, proposals and twins: each folder and
// its proposal folder are listed once, keeping only the names of the images' stems.
BatchFiles findBatchFiles(const QStringList& imagePaths);
// Whether the label file of each of these images exists, each asked for by itself.
std::vector<bool> findLabelFiles(const QStringList& imagePaths);

// Where labelling goes on: the first image with neither a label file nor a proposal that no
// other operator holds and that has a label file of its own (holders: a name per image, empty when
// free), or the first of all when there is none.
int firstImageToLabel(const BatchFiles& batch, const std::vector<QString>& holders = {});
// The image a folder's batch starts at: the one last shown when it is still there and no other
// operator holds it, otherwise where labelling goes on.
int startImageOf(const BatchFiles& batch, const QString& lastShown = QString(),
                 const std::vector<QString>& holders = {});

// Each row whose label file another row of these paths keeps, with that row: the first of
// them in a folder's list order, however they were named; folders are compared as they are
// on disk, through any link.
QHash<int, int> sharedLabelsOf(const QStringList& imagePaths);

// Sorts file names as people count: "img2" before "img10".
void sortNaturally(QStringList& names);

#endif
