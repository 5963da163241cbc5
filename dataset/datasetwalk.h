#ifndef QUADROTAG_DATASETWALK_H
#define QUADROTAG_DATASETWALK_H

#include "consolereport.h"

#include <QString>
#include <QStringList>

// The folders of a dataset and the images and label files in each, always in the same
// order, so that image ids and reports do not depend on the file system. Linked and hidden
// folders are passed over with a note: a link could lead in a circle or show images twice.
class DatasetWalk
{
public:
    DatasetWalk(const QString& root, ConsoleReport& report);

    // Relative paths with "/" between folders, in path order; "" is the root itself.
    QStringList folders() const;
    // The *.jpg files of a folder by name.
    QStringList imagesIn(const QString& folder) const;
    // The *.lbl entries of a folder by name; hidden files such as recovery files are none.
    QStringList labelFilesIn(const QString& folder) const;

    // The path of a folder or file given relative to the dataset.
    QString pathOf(const QString& relativePath) const;
    static QString joined(const QString& folder, const QString& name);
    static bool isImageName(const QString& name);

private:
    bool shouldEnter(const QString& relativePath, const QString& name, bool isLink) const;

    QString root;
    ConsoleReport& report;
};

#endif
