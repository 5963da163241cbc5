#include "annotationeditor.h"

#include "geometry.h"
#include "labelfile.h"
#include "sessionquestions.h"

#include <QFile>

#include <algorithm>
#include <iostream>
#include <iterator>
#include <utility>

namespace {

// The corners moved onto the image's pixels, as the canvas keeps those it is given.
void keepOnImage(Label& shape, const QSize& imageSize)
{
    for (QPoint& corner : shape.points)
        corner = QPoint(std::clamp(corner.x(), 0, std::max(0, imageSize.width() - 1)),
                        std::clamp(corner.y(), 0, std::max(0, imageSize.height() - 1)));
}

bool hasArea(const std::vector<QPoint>& corners)
{
    qint64 twiceArea = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const QPoint& from = corners[i];
        const QPoint& to = corners[(i + 1) % corners.size()];
        twiceArea += qint64(from.x()) * to.y() - qint64(to.x()) * from.y();
    }
    return twiceArea != 0;
}

} // namespace

AnnotationEditor::AnnotationEditor(ImageSession& session, ImageViewer& viewer, LabelViewer& table,
                                   QComboBox& styleChooser)
    : session(session), viewer(viewer), table(table), styleChooser(styleChooser)
{
    connect(&session, &ImageSession::changeApplied, this, &AnnotationEditor::showEditedState);
    connect(&session, &ImageSession::editRefused, this, &AnnotationEditor::showRefused);
    // A reload after the operator gave up their edits shows the file as it is.
    connect(&session, &ImageSession::annotationReplaced, this,
            &AnnotationEditor::showWholeAnnotation);
}

void AnnotationEditor::forgetDrag()
{
    draggedShape = -1;
    draggingCorner = false;
}

void AnnotationEditor::activeShapeChanged(int index)
{
    std::cout << "Active shape: " << index << std::endl;
    session.setActiveShape(index);
    draggedShape = -1;
    draggingCorner = false;
    const int active = session.activeShape();
    if (active == -1) {
        table.clearSelection();
        return;
    }
    // A right press on a shape starts a drag; its release records the whole drag.
    anchorPoints = session.annotation().labels[active].points;
    draggedShape = active;
    table.selectTags(session.annotation().labels[active].tags);
}

// Tags chosen while the corners were placed belong to the new shape.
void AnnotationEditor::shapeAdded(Label& shape)
{
    if (!mayEdit(EditGate::Edit::Shapes))
        return;
    std::cout << "Shape Added!" << std::endl;
    Label tagged = shape;
    table.collectSelectedTags(tagged.tags);
    table.describeTags(tagged.tags, tagged.text);
    session.record(
        AnnotationChange::shapeAdded(session.annotation(), tagged, session.activeShape()));
    noteTurnedOn({}, tagged.tags);
}

void AnnotationEditor::tagsClicked()
{
    if (!mayEdit(EditGate::Edit::Shapes))
        return;
    const int active = session.activeShape();
    if (active == -1)
        return;
    // The shape held by the mouse keeps its tags; the table shows them again.
    if (isDragging()) {
        table.selectTags(session.annotation().labels[active].tags);
        return;
    }
    const Label& before = session.annotation().labels[active];
    Label label = before;
    table.collectSelectedTags(label.tags);
    table.describeTags(label.tags, label.text);
    if (label == before)
        return;
    const std::vector<std::pair<int, int>> tagsBefore = before.tags;
    session.record(AnnotationChange::shapeEdited(session.annotation(), active, before, label));
    noteTurnedOn(tagsBefore, label.tags);
}

bool AnnotationEditor::toggleTag(int row, int column)
{
    if (!mayEdit(EditGate::Edit::Shapes))
        return true;
    if (session.activeShape() == -1)
        return false;
    // A step recorded now would be undone onto the corners of the drag's start.
    if (isDragging())
        return true;
    table.toggleTag(row, column);
    tagsClicked();
    return true;
}

bool AnnotationEditor::repeatShapes(const QString& labelPath, int& skipped)
{
    skipped = 0;
    if (!mayEdit(EditGate::Edit::Shapes))
        return true;
    ImageAnnotation stored;
    if (labelPath.isEmpty() || !readLabelFile(stored, QFile::encodeName(labelPath).toStdString()) ||
        stored.labels.empty() || isDragging())
        return false;
    std::vector<Label> repeated;
    for (Label& shape : stored.labels) {
        keepOnImage(shape, viewer.imageWidget()->imageSize());
        if (!hasArea(shape.points)) {
            ++skipped;
            continue;
        }
        table.describeTags(shape.tags, shape.text);
        repeated.push_back(std::move(shape));
    }
    if (repeated.empty())
        return false;
    session.record(
        AnnotationChange::shapesAppended(session.annotation(), repeated, session.activeShape()));
    // The table shows the tags of the shape that became active, as a right press would.
    showTagsOfActiveShape();
    return true;
}

bool AnnotationEditor::pasteShape(Label shape)
{
    if (isDragging())
        return false;
    table.describeTags(shape.tags, shape.text);
    if (!session.record(
            AnnotationChange::shapesAppended(session.annotation(), {shape}, session.activeShape())))
        return false;
    showTagsOfActiveShape();
    return true;
}

void AnnotationEditor::noteTurnedOn(const std::vector<std::pair<int, int>>& before,
                                    const std::vector<std::pair<int, int>>& after)
{
    std::vector<std::pair<int, int>> turnedOn;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(turnedOn));
    if (!turnedOn.empty())
        emit sglTagsTurnedOn(turnedOn);
}

void AnnotationEditor::shapeMoved(QPoint& offset)
{
    if (!mayEdit(EditGate::Edit::Shapes))
        return;
    const int active = session.activeShape();
    if (active == -1)
        return;
    std::vector<QPoint> moved(anchorPoints.size());
    for (std::size_t i = 0; i < anchorPoints.size(); ++i)
        moved[i] = saturatedSum(anchorPoints[i], offset);
    session.moveShapeLive(active, moved);
    viewer.setAnnotation(session.annotation());
}

void AnnotationEditor::cornerMoved(int corner, QPoint& position)
{
    if (!mayEdit(EditGate::Edit::Shapes))
        return;
    const int active = session.activeShape();
    if (active == -1 || corner < 0 ||
        corner >= int(session.annotation().labels[active].points.size()))
        return;
    std::vector<QPoint> corners = session.annotation().labels[active].points;
    corners[std::size_t(corner)] = position;
    session.moveShapeLive(active, corners);
    draggingCorner = true;
    viewer.setAnnotation(session.annotation());
}

void AnnotationEditor::shapeMoveFinished()
{
    // The moves are already on screen; the history gets the drag as one step.
    const int shape = draggedShape;
    draggedShape = -1;
    const bool cornerDragged = std::exchange(draggingCorner, false);
    if (shape == -1 || shape != session.activeShape())
        return;
    // A drag changes only the corners, which were taken as the anchor when it began.
    const Label moved = session.annotation().labels[shape];
    Label beforeDrag = moved;
    beforeDrag.points = anchorPoints;
    if (moved == beforeDrag)
        return;
    // A moved corner must leave a proper quadrilateral; a shape moved whole keeps its form.
    if (cornerDragged && moved.points.size() == 4 && !moved.isValid()) {
        session.moveShapeLive(shape, anchorPoints);
        viewer.setAnnotation(session.annotation());
        warn(table.window(), QStringLiteral("Not a valid shape! "));
        return;
    }
    session.record(AnnotationChange::shapeEdited(session.annotation(), shape, beforeDrag, moved));
}

void AnnotationEditor::deleteShape()
{
    if (!mayEdit(EditGate::Edit::Shapes))
        return;
    // A shape held by the mouse is being changed; deleting it would record its mid-drag corners.
    if (session.activeShape() == -1 || isDragging())
        return;
    session.record(AnnotationChange::shapeDeleted(session.annotation(), session.activeShape()));
    table.clearSelection();
}

namespace {
// The step cut short where the first corner that is on the image would leave it.
QPoint stepWithin(const std::vector<QPoint>& corners, const QPoint& step, const QSize& image)
{
    int x = step.x();
    int y = step.y();
    for (const QPoint& corner : corners) {
        if (corner.x() < 0 || corner.y() < 0 || corner.x() >= image.width() ||
            corner.y() >= image.height())
            continue;
        x = std::clamp(x, -corner.x(), image.width() - 1 - corner.x());
        y = std::clamp(y, -corner.y(), image.height() - 1 - corner.y());
    }
    return QPoint(x, y);
}
} // namespace

bool AnnotationEditor::nudgeActiveShape(const QPoint& step)
{
    if (!mayEdit(EditGate::Edit::Shapes))
        return false;
    const int active = session.activeShape();
    if (active == -1 || isDragging())
        return false;
    const Label& before = session.annotation().labels[active];
    const QPoint allowed = stepWithin(before.points, step, viewer.imageWidget()->imageSize());
    if (allowed.isNull())
        return false;
    Label after = before;
    for (QPoint& corner : after.points)
        corner = saturatedSum(corner, allowed);
    session.recordNudge(AnnotationChange::shapeEdited(session.annotation(), active, before, after));
    return true;
}

void AnnotationEditor::styleChanged(int index)
{
    if (showingStyle || index == session.annotation().styleIndex || !mayEdit(EditGate::Edit::Style))
        return;
    session.record(
        AnnotationChange::styleChanged(session.annotation(), index, session.activeShape()));
}

void AnnotationEditor::undo()
{
    // A shape held by the mouse would be moved on from corners that are no longer its own.
    if (!isDragging())
        session.undo();
}

void AnnotationEditor::redo()
{
    if (!isDragging())
        session.redo();
}

bool AnnotationEditor::mayEdit(EditGate::Edit edit)
{
    return session.allows(edit);
}

void AnnotationEditor::showRefused()
{
    // The canvas lets go of the shape too, so no release comes to end the drag.
    forgetDrag();
    viewer.imageWidget()->resetDrawing();
    viewer.setAnnotation(session.annotation());
    viewer.setActiveShape(session.activeShape());
    showStyle(session.annotation().styleIndex);
    showTagsOfActiveShape();
}

bool AnnotationEditor::isDragging() const
{
    return draggedShape != -1;
}

// The single path by which a step of the history reaches the canvas and the table.
void AnnotationEditor::showEditedState(bool newEdit)
{
    viewer.setAnnotation(session.annotation());
    viewer.setActiveShape(session.activeShape());
    showStyle(session.annotation().styleIndex);
    // A new edit came from the table or the canvas, which already show it.
    if (!newEdit)
        showTagsOfActiveShape();
}

void AnnotationEditor::showWholeAnnotation()
{
    table.clearSelection();
    viewer.setAnnotation(session.annotation());
    viewer.setActiveShape(session.activeShape());
    showStyle(session.annotation().styleIndex);
}

void AnnotationEditor::showStyle(int styleIndex)
{
    showingStyle = true;
    styleChooser.setCurrentIndex(styleIndex);
    showingStyle = false;
}

void AnnotationEditor::showTagsOfActiveShape()
{
    const int active = session.activeShape();
    if (active == -1) {
        table.clearSelection();
        return;
    }
    anchorPoints = session.annotation().labels[active].points;
    table.selectTags(session.annotation().labels[active].tags);
}
