#include "quicktagging.h"

#include "annotationeditor.h"
#include "imageviewer.h"

#include <QAction>

namespace {
const char noActiveShapeNote[] = "No active shape to tag";
} // namespace

QuickTagging::QuickTagging(AnnotationEditor& editor, LabelViewer& table, ImageViewer& viewer)
    : editor(editor), viewer(viewer), tagFinder(table), recentStrip(table)
{
    connect(&tagFinder, &TagFinder::sglTagChosen, this, &QuickTagging::chooseFoundTag);
    connect(&tagFinder, &TagFinder::sglFinished, &viewer,
            [&viewer] { viewer.setFocus(Qt::OtherFocusReason); });
    connect(&editor, &AnnotationEditor::sglTagsTurnedOn, &recentStrip,
            &RecentTagStrip::noteTurnedOn);
}

void QuickTagging::install(QAction* findTag)
{
    connect(findTag, &QAction::triggered, this, &QuickTagging::focusFinder);
    // Anywhere in the window; a text field with the keyboard takes its digits first.
    for (int number = 1; number <= RecentTagStrip::maximumTags; ++number) {
        auto* key = new QAction(QStringLiteral("Recent Tag %1").arg(number), &viewer);
        key->setObjectName(QStringLiteral("actionRecent_Tag_%1").arg(number));
        key->setShortcut(QKeySequence(Qt::Key_0 + number));
        key->setShortcutContext(Qt::WindowShortcut);
        connect(key, &QAction::triggered, this, [this, number] { toggleRecentTag(number); });
        viewer.addAction(key);
    }
}

void QuickTagging::chooseFoundTag(int row, int column)
{
    // The finder stays open for when the shape is let go.
    if (editor.isDragging())
        return;
    if (editor.toggleTag(row, column))
        tagFinder.finish();
    else
        emit sglNote(QString::fromLatin1(noActiveShapeNote));
}

void QuickTagging::toggleRecentTag(int number)
{
    const auto tag = recentStrip.tagOfKey(number);
    if (tag && !editor.toggleTag(tag->first, tag->second))
        emit sglNote(QString::fromLatin1(noActiveShapeNote));
}

void QuickTagging::focusFinder()
{
    tagFinder.setFocus(Qt::ShortcutFocusReason);
    tagFinder.selectAll();
}
