#ifndef QUADROTAG_DATASETWALK_H
#define QUADROTAG_DATASETWALK_H

#include "consolereport.h"

#include <QString>
#include <QStringList>

#include <functional>

// The folders of a dataset and the images and label files in each, always in the same
// order, so that image ids and reports do not depend on the file system. Linked and hidden
// folders are passed over with a note: a link could lead in a circle or show images twice.
// The programs' own hidden folders (proposals, the team's files) are passed over silently.
class DatasetWalk
{
public:
    DatasetWalk(const QString& root, ConsoleReport& report);

    // Relative paths with "/" between folders, in path order; "" is the root itself.
    QStringList folders() const;
    // The image files of a folder by name (see imagenames.h), hidden ones left out, and those whose
    // names can't be read as text: opened by their text they would be another file.
    QStringList imagesIn(const QString& folder) const;
    // Those image names of a folder that can't be read as text, bytes escaped.
    QStringList undecodableImagesIn(const QString& folder) const;
    // Those files of a folder whose names end in suffix and can't be read as text, escaped.
    QStringList undecodableFilesIn(const QString& folder, const QString& suffix) const;
    // The *.lbl entries of a folder by name; hidden files such as recovery files are none.
    QStringList labelFilesIn(const QString& folder) const;

    // The path of a folder or file given relative to the dataset.
    QString pathOf(const QString& relativePath) const;
    static QString joined(const QString& folder, const QString& name);
    static bool isImageName(const QString& name);

    struct Entry
    {
        bool isFile = false;
        bool isFolder = false;
        bool isLink = false;
        // The name as the file system spells it, when its text would name another file.
        QByteArray undecodable;
    };

private:
    void forEachEntry(const QString& folder,
                      const std::function<void(const QString&, const Entry&)>& visit) const;
    bool shouldEnter(const QString& relativePath, const QString& name, bool isLink) const;

    QString root;
    ConsoleReport& report;
};

#endif
