#include "annotationchange.h"

namespace {

// Takes the labels `removed` out at first, puts `inserted` in their place and sets the style.
bool replaceState(ImageAnnotation& annotation, std::size_t first, const std::vector<Label>& removed,
                  const std::vector<Label>& inserted, int style)
{
    std::vector<Label>& labels = annotation.labels;
    if (first > labels.size() || removed.size() > labels.size() - first)
        return false;
    const auto begin = labels.begin() + static_cast<std::ptrdiff_t>(first);
    labels.erase(begin, begin + static_cast<std::ptrdiff_t>(removed.size()));
    labels.insert(labels.begin() + static_cast<std::ptrdiff_t>(first), inserted.begin(),
                  inserted.end());
    annotation.styleIndex = style;
    return true;
}

} // namespace

AnnotationChange AnnotationChange::shapeAdded(const ImageAnnotation& annotation, const Label& shape,
                                              int activeBefore)
{
    AnnotationChange change;
    change.first = annotation.labels.size();
    change.labelsAfter = {shape};
    change.styleBefore = change.styleAfter = annotation.styleIndex;
    change.activeBefore = activeBefore;
    change.activeAfter = static_cast<int>(change.first);
    return change;
}

AnnotationChange AnnotationChange::shapesAppended(const ImageAnnotation& annotation,
                                                  const std::vector<Label>& shapes,
                                                  int activeBefore)
{
    AnnotationChange change;
    change.first = annotation.labels.size();
    change.labelsAfter = shapes;
    change.styleBefore = change.styleAfter = annotation.styleIndex;
    change.activeBefore = activeBefore;
    change.activeAfter = static_cast<int>(annotation.labels.size() + shapes.size()) - 1;
    return change;
}

AnnotationChange AnnotationChange::shapeDeleted(const ImageAnnotation& annotation, int index)
{
    AnnotationChange change;
    change.first = static_cast<std::size_t>(index);
    change.labelsBefore = {annotation.labels.at(change.first)};
    change.styleBefore = change.styleAfter = annotation.styleIndex;
    change.activeBefore = index;
    change.activeAfter = -1;
    return change;
}

AnnotationChange AnnotationChange::shapeEdited(const ImageAnnotation& annotation, int index,
                                               const Label& before, const Label& after)
{
    AnnotationChange change;
    change.first = static_cast<std::size_t>(index);
    change.labelsBefore = {before};
    change.labelsAfter = {after};
    change.styleBefore = change.styleAfter = annotation.styleIndex;
    change.activeBefore = change.activeAfter = index;
    return change;
}

AnnotationChange AnnotationChange::styleChanged(const ImageAnnotation& annotation, int style,
                                                int active)
{
    AnnotationChange change;
    change.first = 0;
    change.styleBefore = annotation.styleIndex;
    change.styleAfter = style;
    change.activeBefore = change.activeAfter = active;
    return change;
}

AnnotationChange AnnotationChange::everythingReplaced(const ImageAnnotation& annotation,
                                                      const ImageAnnotation& replacement,
                                                      int active)
{
    AnnotationChange change;
    change.labelsBefore = annotation.labels;
    change.labelsAfter = replacement.labels;
    change.styleBefore = annotation.styleIndex;
    change.styleAfter = replacement.styleIndex;
    change.activeBefore = active;
    change.activeAfter = -1;
    return change;
}

bool redoChange(ImageAnnotation& annotation, const AnnotationChange& change)
{
    return replaceState(annotation, change.first, change.labelsBefore, change.labelsAfter,
                        change.styleAfter);
}

bool undoChange(ImageAnnotation& annotation, const AnnotationChange& change)
{
    return replaceState(annotation, change.first, change.labelsAfter, change.labelsBefore,
                        change.styleBefore);
}

bool touchesShapes(const AnnotationChange& change)
{
    return !change.labelsBefore.empty() || !change.labelsAfter.empty();
}
