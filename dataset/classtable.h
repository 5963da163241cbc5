#ifndef QUADROTAG_CLASSTABLE_H
#define QUADROTAG_CLASSTABLE_H

#include "taglayout.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// The tags that name a shape's class: by default the single tags, or the tags of one
// vocabulary category. Classes are numbered in row-major order of their cells.
class ClassTable
{
public:
    explicit ClassTable(const TagLayout& layout);

    // Takes the single tags when category is empty. False when no category has that name.
    bool build(const QString& category);

    int count() const { return static_cast<int>(cells.size()); }
    // The stem of the class tag; the whole text when the stem is empty.
    QString name(int index) const;
    // "furniture" for single tags, the category's stem otherwise.
    QString supercategory() const { return superName; }
    // The tag cell of a class.
    std::pair<int, int> cellOf(int index) const { return cells[static_cast<std::size_t>(index)]; }
    // The class of the tag cell, or -1 when the cell is no class tag.
    int classOf(int row, int column) const;

    // The class whose name() is name, or -1; the first one when two share the name.
    int classNamed(const QString& name) const;
    // How many classes have the name; first is the first of them.
    int classesNamed(const QString& name, int& first) const;
    // Class names that more than one class tag gives, each once, in class order.
    QStringList sharedNames() const;
    // Other tags that share their stem with another of their group, as "group: stem", each
    // once: an attribute of that name could mean either.
    QStringList sharedTagNames() const;

    // The attribute group of any tag: "single_tags" or its category's stem.
    QString groupOf(int row, int column) const;
    // How many tags of the group have the stem; cell is the first of them.
    int tagsNamed(const QString& group, const QString& stem, std::pair<int, int>& cell) const;
    const TagLayout& tagLayout() const { return layout; }

private:
    int findCategory(const QString& category) const;

    const TagLayout& layout;
    std::vector<std::pair<int, int>> cells;
    std::vector<int> classByCell;
    QString superName;
};

// Reads the vocabulary file and builds the classes from it; false with the reason when the
// file cannot be read, the category does not exist or there are no class tags.
bool loadClasses(const QString& vocabularyPath, const QString& category, TagLayout& layout,
                 ClassTable& classes, QString& error);

#endif
