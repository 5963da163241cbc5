#include "annotationedit.h"

#include <utility>

AnnotationEdit::AnnotationEdit(AnnotationChange change, Apply apply)
    : change(std::move(change)), apply(std::move(apply))
{
}

void AnnotationEdit::undo()
{
    apply(change, false);
}

void AnnotationEdit::redo()
{
    apply(change, true);
}
