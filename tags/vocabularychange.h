#ifndef QUADROTAG_VOCABULARYCHANGE_H
#define QUADROTAG_VOCABULARYCHANGE_H

#include "tagindex.h"

#include <QStringList>

#include <utility>
#include <vector>

// What a new vocabulary does to the cells of an older tag index: every old cell that
// now has another caption or none. Label files written with the old index name those
// cells, so each of them changes what existing files mean. New cells change nothing.
class VocabularyChange
{
public:
    struct Move
    {
        QString caption;
        std::pair<int, int> from;
        // The first cell that holds the caption now; none when the caption is gone.
        bool gone = false;
        std::pair<int, int> to;
    };

    VocabularyChange(const TagIndex& before, const TagIndex& after);

    bool isEmpty() const { return list.empty(); }
    int count() const { return static_cast<int>(list.size()); }
    const std::vector<Move>& moves() const { return list; }
    // The first limit moves as lines "Colour: Grey: (2, 1) -> (3, 1)" or "... -> gone".
    QStringList lines(int limit) const;

private:
    std::vector<Move> list;
};

#endif
