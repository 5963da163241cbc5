#ifndef QUADROTAG_SHAPECOPYING_H
#define QUADROTAG_SHAPECOPYING_H

#include "tagindex.h"

#include <QAction>
#include <QObject>
#include <QString>

class AnnotationEditor;
class ImageSession;
class ImageViewer;
class LabelViewer;
class QMenu;

// "Copy Shape" (Ctrl+C) puts the active shape with its tags on the system clipboard;
// "Paste Shape" (Ctrl+V) adds it to the image on screen, in this run or another
// Quadrotag's, as one step of the history.
class ShapeCopying : public QObject
{
    Q_OBJECT

public:
    ShapeCopying(AnnotationEditor& editor, const ImageSession& session, ImageViewer& viewer,
                 const LabelViewer& table);

    // Adds both entries at the end of the menu; the tags are matched by the captions of
    // the vocabulary the table holds at the copy and at the paste.
    void install(QMenu* menu);
    bool copyActiveShape();
    bool pasteShape();

signals:
    void sglNote(const QString& note);

private:
    AnnotationEditor& editor;
    const ImageSession& session;
    ImageViewer& viewer;
    const LabelViewer& table;
    QAction copyAction;
    QAction pasteAction;
};

#endif
