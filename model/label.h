#ifndef QUADROTAG_LABEL_H
#define QUADROTAG_LABEL_H

#include <QPoint>
#include <QString>

#include <utility>
#include <vector>

// One outlined shape: its corners in click order, the tag cells chosen for it
// (row, column) and the caption built from those tags.
struct Label
{
    std::vector<QPoint> points;
    std::vector<std::pair<int, int>> tags;
    QString text;

    // Exactly four corners whose opposite edges do not meet: convex and arrow-head
    // shapes pass, bow-ties and shapes folded onto one line do not.
    bool isValid() const;

    bool operator==(const Label& other) const;
    bool operator!=(const Label& other) const { return !(*this == other); }
};

#endif
