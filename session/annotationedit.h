#ifndef QUADROTAG_ANNOTATIONEDIT_H
#define QUADROTAG_ANNOTATIONEDIT_H

#include "annotationchange.h"

#include <QUndoCommand>

#include <functional>

// One step of the undo history. The window applies the change, so that the
// annotation, the canvas and the tag table move together.
class AnnotationEdit : public QUndoCommand
{
public:
    // Called with the change and true to make it, false to take it back.
    using Apply = std::function<void(const AnnotationChange&, bool)>;

    // A nudge edit takes in the nudges of the same shape pushed right after it.
    AnnotationEdit(AnnotationChange change, Apply apply, bool nudge = false);

    void undo() override;
    void redo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;
    const AnnotationChange& change() const { return edit; }

private:
    AnnotationChange edit;
    Apply apply;
    bool nudge = false;
};

#endif
