#include "tagfinder.h"

#include "labelviewer.h"

#include <QKeyEvent>

TagFinder::TagFinder(LabelViewer& table, QWidget* parent) : QLineEdit(parent), table(table)
{
    setPlaceholderText(QStringLiteral("Find tag"));
    setClearButtonEnabled(true);
    connect(this, &QLineEdit::textChanged, this, &TagFinder::search);
}

void TagFinder::finish()
{
    clear();
    emit sglFinished();
}

std::optional<std::pair<int, int>> TagFinder::currentMatch() const
{
    if (current >= found.size())
        return std::nullopt;
    return found[current];
}

// The window's Up, Down and Esc shortcuts would otherwise take these keys from the line.
bool TagFinder::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && isFinderKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void TagFinder::keyPressEvent(QKeyEvent* event)
{
    if (!isFinderKey(event)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
        step(-1);
        break;
    case Qt::Key_Down:
        step(1);
        break;
    case Qt::Key_Escape:
        finish();
        break;
    default:
        if (const auto match = currentMatch())
            emit sglTagChosen(match->first, match->second);
    }
}

bool TagFinder::isFinderKey(const QKeyEvent* event)
{
    if (event->modifiers() & ~Qt::KeypadModifier)
        return false;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return false;
    }
}

void TagFinder::search(const QString& text)
{
    current = 0;
    if (text.isEmpty()) {
        tagSearch.reset();
        found.clear();
        table.clearFound();
        return;
    }
    if (!tagSearch)
        tagSearch.emplace(table.tagLayout());
    found = tagSearch->matchesOf(text);
    table.showFound(found, current);
}

void TagFinder::step(int direction)
{
    if (found.empty())
        return;
    const std::size_t last = found.size() - 1;
    if (direction < 0 && current > 0)
        --current;
    else if (direction > 0 && current < last)
        ++current;
    else
        return;
    table.showFound(found, current);
}
