#include "drawingassist.h"

#include "annotationeditor.h"
#include "imagewidget.h"

#include <QMenu>
#include <QSettings>
#include <QWidget>

namespace {
const char* const assistKey = "assistDrawing";
const int bigNudge = 10;
} // namespace

DrawingAssist::DrawingAssist(AnnotationEditor& editor, ImageWidget& canvas)
    : editor(editor), canvas(canvas), assist(QStringLiteral("Assist Drawing"))
{
    assist.setCheckable(true);
    assist.setShortcut(QKeySequence(QStringLiteral("Ctrl+G")));
    assist.setChecked(QSettings().value(assistKey, false).toBool());
    canvas.setAssist(assist.isChecked());
    connect(&assist, &QAction::toggled, this, &DrawingAssist::setAssisting);
}

void DrawingAssist::install(QWidget* window, QMenu* functionMenu)
{
    functionMenu->addAction(&assist);
    window->addAction(&assist);
    const struct
    {
        Qt::Key key;
        QPoint step;
    } directions[] = {{Qt::Key_Left, {-1, 0}},
                      {Qt::Key_Right, {1, 0}},
                      {Qt::Key_Up, {0, -1}},
                      {Qt::Key_Down, {0, 1}}};
    for (const auto& direction : directions) {
        addNudge(window, QKeySequence(Qt::AltModifier | direction.key), direction.step);
        addNudge(window, QKeySequence(Qt::AltModifier | Qt::ShiftModifier | direction.key),
                 direction.step * bigNudge);
    }
}

void DrawingAssist::setAssisting(bool on)
{
    canvas.setAssist(on);
    QSettings().setValue(assistKey, on);
}

void DrawingAssist::addNudge(QWidget* window, const QKeySequence& keys, const QPoint& step)
{
    auto* nudge = new QAction(window);
    nudge->setShortcut(keys);
    connect(nudge, &QAction::triggered, this, [this, step] { editor.nudgeActiveShape(step); });
    window->addAction(nudge);
}
