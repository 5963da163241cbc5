#ifndef QUADROTAG_SHAPECLIPBOARD_H
#define QUADROTAG_SHAPECLIPBOARD_H

#include "label.h"

#include <QPoint>
#include <QString>

#include <utility>
#include <vector>

class QMimeData;
class TagIndex;

// A shape on the system clipboard, so that another image, or another Quadrotag on the same
// desktop, can take it. Its tags travel with their captions: a tag pair alone means nothing
// to a program that read another vocabulary.
struct CopiedTag
{
    std::pair<int, int> cell;
    QString caption;

    bool operator==(const CopiedTag& other) const;
};

struct CopiedShape
{
    std::vector<QPoint> corners;
    std::vector<CopiedTag> tags;

    bool operator==(const CopiedShape& other) const;
};

// The clipboard format of this program, as JSON text.
extern const char shapeMimeType[];

// The shape with the caption the tag index gives each of its tags (empty where it has none).
CopiedShape copiedShapeOf(const Label& shape, const TagIndex& index);
// The caller owns the result, which it usually hands to the clipboard.
QMimeData* shapeMimeData(const CopiedShape& shape);
// False when the data holds no shape in this program's format: another kind of clipboard
// content, damaged text, or a shape without exactly four corners.
bool readCopiedShape(const QMimeData* data, CopiedShape& shape);
// The cells these tags have in this vocabulary, in row-major order: the same cell when it
// carries the same caption, else the first cell with that caption. Tags this vocabulary
// has no cell for are left off and counted in leftOff.
std::vector<std::pair<int, int>> tagsInVocabulary(const std::vector<CopiedTag>& tags,
                                                  const TagIndex& index, int& leftOff);

#endif
