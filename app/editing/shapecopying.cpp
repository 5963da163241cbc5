#include "shapecopying.h"

#include "annotationeditor.h"
#include "imagesession.h"
#include "imageviewer.h"
#include "labelviewer.h"
#include "shapeclipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

ShapeCopying::ShapeCopying(AnnotationEditor& editor, const ImageSession& session,
                           ImageViewer& viewer, const LabelViewer& table)
    : editor(editor), session(session), viewer(viewer), table(table),
      copyAction(QStringLiteral("Copy Shape")), pasteAction(QStringLiteral("Paste Shape"))
{
}

void ShapeCopying::install(QMenu* menu)
{
    copyAction.setObjectName(QStringLiteral("actionCopy_Shape"));
    pasteAction.setObjectName(QStringLiteral("actionPaste_Shape"));
    copyAction.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    pasteAction.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    connect(&copyAction, &QAction::triggered, this, &ShapeCopying::copyActiveShape);
    connect(&pasteAction, &QAction::triggered, this, &ShapeCopying::pasteShape);
    menu->addAction(&copyAction);
    menu->addAction(&pasteAction);
}

bool ShapeCopying::copyActiveShape()
{
    const int active = session.activeShape();
    if (active < 0 || std::size_t(active) >= session.annotation().labels.size()) {
        emit sglNote(QStringLiteral("No active shape to copy"));
        return false;
    }
    const Label& shape = session.annotation().labels[std::size_t(active)];
    QGuiApplication::clipboard()->setMimeData(
        shapeMimeData(copiedShapeOf(shape, TagIndex::ofLayout(table.tagLayout()))));
    emit sglNote(QStringLiteral("Shape copied"));
    return true;
}

bool ShapeCopying::pasteShape()
{
    if (!editor.mayEdit(EditGate::Edit::Shapes))
        return false;
    if (!session.isOpen()) {
        emit sglNote(QStringLiteral("No image to paste the shape onto"));
        return false;
    }
    CopiedShape copied;
    if (!readCopiedShape(QGuiApplication::clipboard()->mimeData(), copied)) {
        emit sglNote(QStringLiteral("The clipboard holds no shape"));
        return false;
    }
    Label shape;
    shape.points = viewer.imageWidget()->placedOnImage(copied.corners);
    int leftOff = 0;
    // The vocabulary of the moment: a project opened since the copy has its own.
    shape.tags = tagsInVocabulary(copied.tags, TagIndex::ofLayout(table.tagLayout()), leftOff);
    if (!shape.isValid()) {
        emit sglNote(QStringLiteral("The copied shape does not fit on this image"));
        return false;
    }
    if (!editor.pasteShape(shape))
        return false;
    emit sglNote(leftOff == 0 ? QStringLiteral("Shape pasted")
                              : QStringLiteral("Shape pasted without %1 tag(s) this vocabulary "
                                               "does not have")
                                    .arg(leftOff));
    return true;
}
