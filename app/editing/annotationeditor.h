#ifndef QUADROTAG_ANNOTATIONEDITOR_H
#define QUADROTAG_ANNOTATIONEDITOR_H

#include "imagesession.h"
#include "imageviewer.h"
#include "labelviewer.h"

#include <QComboBox>
#include <QObject>
#include <QPoint>

#include <vector>

// Turns what the canvas, the tag table and the style chooser report into steps of the
// image session, and shows every step on all three.
class AnnotationEditor : public QObject
{
    Q_OBJECT

public:
    AnnotationEditor(ImageSession& session, ImageViewer& viewer, LabelViewer& table,
                     QComboBox& styleChooser);

    void activeShapeChanged(int index);
    void shapeAdded(Label& shape);
    void tagsClicked();
    // Turns the tag cell on or off on the active shape, as a click on it does; false
    // when no shape is active. Ignored while the shape is held by the mouse.
    bool toggleTag(int row, int column);
    // Adds the shapes the label file at labelPath holds, with their tags, after those on
    // screen, their corners moved onto the image; false when none was added. A shape left
    // without area on the image is counted in skipped instead.
    bool repeatShapes(const QString& labelPath, int& skipped);
    // Adds a whole shape with its tags after those on screen and makes it active, as one
    // step; false while a shape is held by the mouse.
    bool pasteShape(Label shape);
    void shapeMoved(QPoint& offset);
    void cornerMoved(int corner, QPoint& position);
    void shapeMoveFinished();
    void deleteShape();
    // Moves the active shape by step image pixels, as far as its corners stay on the image;
    // false when nothing moved.
    bool nudgeActiveShape(const QPoint& step);
    void styleChanged(int index);
    void undo();
    void redo();
    // Shows an annotation that replaced the last one whole, nothing selected.
    void showWholeAnnotation();
    // A new image: no shape is held by the mouse.
    void forgetDrag();
    bool isDragging() const;
    // Asks the session's gate; a refused edit is named in the status bar and the views go
    // back to the annotation.
    bool mayEdit(EditGate::Edit edit);

signals:
    void sglTagsTurnedOn(const std::vector<std::pair<int, int>>& tags);

private:
    // The canvas, the table and the chooser may already show a refused edit; they go back.
    void showRefused();
    void noteTurnedOn(const std::vector<std::pair<int, int>>& before,
                      const std::vector<std::pair<int, int>>& after);
    void showEditedState(bool newEdit);
    void showStyle(int styleIndex);
    void showTagsOfActiveShape();

    ImageSession& session;
    ImageViewer& viewer;
    LabelViewer& table;
    QComboBox& styleChooser;
    // The corners of the active shape when it became active: where a drag started.
    std::vector<QPoint> anchorPoints;
    // The shape being dragged; its corners before the drag are anchorPoints.
    int draggedShape = -1;
    // The drag moved one corner rather than the whole shape.
    bool draggingCorner = false;
    // Set while the style chooser is moved to show the annotation, which is not an edit.
    bool showingStyle = false;
};

#endif
