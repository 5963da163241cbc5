#ifndef QUADROTAG_QUICKTAGGING_H
#define QUADROTAG_QUICKTAGGING_H

#include "recenttagstrip.h"
#include "tagfinder.h"

#include <QObject>
#include <QString>

class AnnotationEditor;
class ImageViewer;
class LabelViewer;
class QAction;

// Tagging without hunting through the table: the tag finder, and the strip of recent tags
// with the number keys that toggle them while the canvas has the keyboard.
class QuickTagging : public QObject
{
    Q_OBJECT

public:
    QuickTagging(AnnotationEditor& editor, LabelViewer& table, ImageViewer& viewer);

    // Puts the finder under the action's key and the number keys on the canvas.
    void install(QAction* findTag);

    TagFinder& finder() { return tagFinder; }
    RecentTagStrip& strip() { return recentStrip; }

signals:
    void sglNote(const QString& note);

private:
    void chooseFoundTag(int row, int column);
    void toggleRecentTag(int number);
    void focusFinder();

    AnnotationEditor& editor;
    ImageViewer& viewer;
    TagFinder tagFinder;
    RecentTagStrip recentStrip;
};

#endif
