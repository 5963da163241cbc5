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
    assist.setObjectName(QStringLiteral("actionAssist_Drawing"));
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
        const char* name;
    } directions[] = {{Qt::Key_Left, {-1, 0}, "Left"},
                      {Qt::Key_Right, {1, 0}, "Right"},
                      {Qt::Key_Up, {0, -1}, "Up"},
                      {Qt::Key_Down, {0, 1}, "Down"}};
    for (const auto& direction : directions) {
        const QString name = QStringLiteral("Nudge ") + QLatin1String(direction.name);
        addNudge(window, name, QKeySequence(Qt::AltModifier | direction.key), direction.step);
        addNudge(window, name + QStringLiteral(" by Ten"),
                 QKeySequence(Qt::AltModifier | Qt::ShiftModifier | direction.key),
                 direction.step * bigNudge);
    }
}

void DrawingAssist::setAssisting(bool on)
{
    canvas.setAssist(on);
    QSettings().setValue(assistKey, on);
}

void DrawingAssist::addNudge(QWidget* window, const QString& name, const QKeySequence& keys,
                             const QPoint& step)
{
    auto* nudge = new QAction(name, window);
    nudge->setObjectName(QStringLiteral("action") +
                         QString(name).replace(QLatin1Char(' '), QLatin1Char('_')));
    nudge->setShortcut(keys);
    connect(nudge, &QAction::triggered, this, [this, step] { editor.nudgeActiveShape(step); });
    window->addAction(nudge);
}
