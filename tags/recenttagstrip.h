#ifndef QUADROTAG_RECENTTAGSTRIP_H
#define QUADROTAG_RECENTTAGSTRIP_H

#include <QLabel>

#include <optional>
#include <utility>
#include <vector>

class LabelViewer;

// The strip above the tag table with the tags most recently turned on, most recent first,
// numbered for the keys 1 to 9: "1 Sofa  2 Material: Wood".
class RecentTagStrip : public QLabel
{
    Q_OBJECT

public:
    explicit RecentTagStrip(const LabelViewer& table, QWidget* parent = nullptr);

    void noteTurnedOn(const std::vector<std::pair<int, int>>& tags);
    // Another vocabulary was read: its cells are other tags.
    void forgetTags();
    // The tag under the number key (1 to 9), if the strip holds that many.
    std::optional<std::pair<int, int>> tagOfKey(int number) const;
    const std::vector<std::pair<int, int>>& tags() const { return recent; }

    static constexpr int maximumTags = 9;

private:
    void showTags();

    const LabelViewer& table;
    std::vector<std::pair<int, int>> recent;
};

#endif
