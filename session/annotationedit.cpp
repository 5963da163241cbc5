#include "annotationedit.h"

#include <utility>

namespace {
const int nudgeId = 1;
} // namespace

AnnotationEdit::AnnotationEdit(AnnotationChange change, Apply apply, bool nudge)
    : edit(std::move(change)), apply(std::move(apply)), nudge(nudge)
{
}

int AnnotationEdit::id() const
{
    return nudge ? nudgeId : -1;
}

// A run of nudges of one shape is one step, from where the first began to where the last ended.
bool AnnotationEdit::mergeWith(const QUndoCommand* other)
{
    const auto* next = dynamic_cast<const AnnotationEdit*>(other);
    if (!next || !next->nudge || next->edit.first != edit.first ||
        next->edit.labelsBefore != edit.labelsAfter)
        return false;
    edit.labelsAfter = next->edit.labelsAfter;
    edit.activeAfter = next->edit.activeAfter;
    return true;
}

void AnnotationEdit::undo()
{
    apply(edit, false);
}

void AnnotationEdit::redo()
{
    apply(edit, true);
}
