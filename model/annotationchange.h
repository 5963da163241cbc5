#ifndef QUADROTAG_ANNOTATIONCHANGE_H
#define QUADROTAG_ANNOTATIONCHANGE_H

#include "imageannotation.h"

#include <cstddef>
#include <vector>

// One edit of an image's annotation, kept so that it can be taken back and made again:
// the labels from `first` on that it replaced, what replaced them, the style before and
// after, and the shape that was active before and after. Only the touched labels are
// kept, so a history of edits stays small however many shapes the image has.
struct AnnotationChange
{
    std::size_t first = 0;
    std::vector<Label> labelsBefore;
    std::vector<Label> labelsAfter;
    int styleBefore = 0;
    int styleAfter = 0;
    int activeBefore = -1;
    int activeAfter = -1;

    static AnnotationChange shapeAdded(const ImageAnnotation& annotation, const Label& shape,
                                       int activeBefore);
    // Shapes added after the last one; the last of them becomes active.
    static AnnotationChange shapesAppended(const ImageAnnotation& annotation,
                                           const std::vector<Label>& shapes, int activeBefore);
    static AnnotationChange shapeDeleted(const ImageAnnotation& annotation, int index);
    // The shape at index was edited in place (moved or tagged); it stays active.
    static AnnotationChange shapeEdited(const ImageAnnotation& annotation, int index,
                                        const Label& before, const Label& after);
    static AnnotationChange styleChanged(const ImageAnnotation& annotation, int style, int active);
    // Every shape and the style replaced by those of another annotation; nothing is active after.
    static AnnotationChange everythingReplaced(const ImageAnnotation& annotation,
                                               const ImageAnnotation& replacement, int active);
};

// Bring the annotation from the state before the change to the state after it (redo),
// or back (undo). Redoing an in-place edit that is already in the annotation changes
// nothing, so live edits (a drag, a tag click) can be recorded after they happened.
// Both return false, touching nothing, when the labels the change names do not exist.
bool redoChange(ImageAnnotation& annotation, const AnnotationChange& change);
// False for a change of the style alone.
bool touchesShapes(const AnnotationChange& change);
bool undoChange(ImageAnnotation& annotation, const AnnotationChange& change);

#endif
