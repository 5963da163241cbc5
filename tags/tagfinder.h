#ifndef QUADROTAG_TAGFINDER_H
#define QUADROTAG_TAGFINDER_H

#include "tagsearch.h"

#include <QLineEdit>

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

class LabelViewer;
class QKeyEvent;

// The line above the tag table that finds tags by typing: the table dims every cell but
// the matches, Up and Down step through them, Enter chooses the current one and Esc gives up.
class TagFinder : public QLineEdit
{
    Q_OBJECT

public:
    explicit TagFinder(LabelViewer& table, QWidget* parent = nullptr);

    // Empties the line, shows the whole table again and hands the keyboard back.
    void finish();

    const std::vector<std::pair<int, int>>& matches() const { return found; }
    std::optional<std::pair<int, int>> currentMatch() const;

signals:
    void sglTagChosen(int row, int column);
    void sglFinished();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void search(const QString& text);
    void step(int direction);
    static bool isFinderKey(const QKeyEvent* event);

    LabelViewer& table;
    // Built when a search starts, so that it follows a vocabulary read again.
    std::optional<TagSearch> tagSearch;
    std::vector<std::pair<int, int>> found;
    std::size_t current = 0;
};

#endif
