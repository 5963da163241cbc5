#ifndef QUADROTAG_TAGTRANSLATION_H
#define QUADROTAG_TAGTRANSLATION_H

#include "imageannotation.h"
#include "tagindex.h"

#include <QStringList>

#include <map>
#include <utility>
#include <vector>

// Moves tag pairs from the cells of an old tag index to the cells of a new vocabulary, by
// caption: the old index names what an old cell meant, and the new vocabulary has the cell
// with that caption now. A caption with no cell, or with more than one in either, is never
// guessed.
class TagTranslation
{
public:
    enum class Outcome { Kept, Moved, Dropped, Problem };

    struct Result
    {
        Outcome outcome = Outcome::Problem;
        std::pair<int, int> to;
        // "Old caption" or, for a renamed tag, "Old caption = New caption".
        QString caption;
        QString problem;
    };

    struct PairChange
    {
        std::pair<int, int> from;
        bool dropped = false;
        std::pair<int, int> to;
        QString caption;

        bool operator==(const PairChange& other) const;
        // "(2, 1) -> (3, 1) Colour: Grey" or "(3, 2) -> dropped Colour: Beige".
        QString text() const;
    };

    TagTranslation(const TagIndex& before, const TagIndex& after,
                   const std::vector<std::pair<QString, QString>>& renames, bool dropMissing);

    // False, with the reason, when a rename names a caption that the old index or the
    // new vocabulary lacks: a mistyped caption should stop the run, not pass unused.
    bool checkRenames(QString& error) const;
    Result translate(std::pair<int, int> cell) const;

    // Moves the tags of every shape that has a moved tag into row-major order; a shape whose
    // tags were all dropped is removed, a shape that had no tags stays. False when a tag
    // cannot be moved: the annotation must then not be stored.
    bool translate(ImageAnnotation& annotation, std::vector<PairChange>& changes,
                   QStringList& problems) const;

private:
    Result resultFor(const TagIndex::Entry& entry) const;
    bool translateLabel(Label& label, std::vector<PairChange>& changes,
                        QStringList& problems) const;

    const TagIndex& before;
    const TagIndex& after;
    const std::vector<std::pair<QString, QString>>& renames;
    bool dropMissing;
    std::map<std::pair<int, int>, Result> results;
};

#endif
