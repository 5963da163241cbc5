#include "keymap.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace {
const char* const keysGroup = "keys";

QString plainName(const QAction* action)
{
    QString name = action->text();
    name.remove(QLatin1Char('&'));
    return name;
}

bool isKey(const QKeySequence& key)
{
    if (key.isEmpty())
        return false;
    for (int chord = 0; chord < key.count(); ++chord)
        if (key[chord].key() == Qt::Key_unknown)
            return false;
    return true;
}

// A stored text that holds no usable key is no choice: the defaults stay.
std::optional<QList<QKeySequence>> storedKeys(const QString& text)
{
    if (text.trimmed().isEmpty())
        return QList<QKeySequence>();
    QList<QKeySequence> keys;
    for (const QKeySequence& key : QKeySequence::listFromString(text, QKeySequence::PortableText))
        if (isKey(key) && !keys.contains(key))
            keys.append(key);
    if (keys.isEmpty())
        return std::nullopt;
    return keys;
}

void collectMenu(const QMenu* menu, QList<QAction*>& found)
{
    for (QAction* action : menu->actions()) {
        if (action->menu())
            collectMenu(action->menu(), found);
        else
            found.append(action);
    }
}
} // namespace

void KeyMap::collect(QWidget* window)
{
    QList<QAction*> found;
    if (auto* bar = window->findChild<QMenuBar*>())
        for (QAction* menu : bar->actions())
            if (menu->menu())
                collectMenu(menu->menu(), found);
    found += window->actions();
    for (const QWidget* child : window->findChildren<QWidget*>())
        found += child->actions();
    for (QAction* action : found)
        if (!action->isSeparator() && !action->objectName().isEmpty() &&
            !action->text().isEmpty() && indexOf(action->objectName()) < 0)
            add(action);
}

void KeyMap::add(QAction* action, const QString& name)
{
    list.append({action->objectName(), name.isEmpty() ? plainName(action) : name,
                 action->shortcuts(), action->shortcuts(), action});
    apply(int(list.size()) - 1);
}

int KeyMap::indexOf(const QString& id) const
{
    const auto found = std::find_if(list.cbegin(), list.cend(),
                                    [&id](const Entry& entry) { return entry.id == id; });
    return found == list.cend() ? -1 : int(found - list.cbegin());
}

QString KeyMap::holderOf(const QKeySequence& key, int except) const
{
    for (int row = 0; row < list.size(); ++row)
        if (row != except && list[row].keys.contains(key))
            return list[row].name;
    return QString();
}

bool KeyMap::assign(int row, const QKeySequence& key, QString* refusal)
{
    if (row < 0 || row >= list.size() || !isKey(key))
        return false;
    const QString holder = holderOf(key, row);
    if (!holder.isEmpty()) {
        if (refusal)
            *refusal = QStringLiteral("%1 is the key of \"%2\"")
                           .arg(key.toString(QKeySequence::NativeText), holder);
        return false;
    }
    setKeys(row, {key});
    return true;
}

bool KeyMap::reset(int row, QString* refusal)
{
    if (row < 0 || row >= list.size())
        return false;
    for (const QKeySequence& key : list[row].defaults) {
        const QString holder = holderOf(key, row);
        if (!holder.isEmpty()) {
            if (refusal)
                *refusal = QStringLiteral("%1 is the key of \"%2\"")
                               .arg(key.toString(QKeySequence::NativeText), holder);
            return false;
        }
    }
    setKeys(row, list[row].defaults);
    return true;
}

void KeyMap::clear(int row)
{
    if (row >= 0 && row < list.size())
        setKeys(row, {});
}

void KeyMap::resetAll()
{
    for (int row = 0; row < list.size(); ++row)
        setKeys(row, list[row].defaults);
}

void KeyMap::load()
{
    QSettings settings;
    settings.beginGroup(QLatin1String(keysGroup));
    QList<QKeySequence> claimed;
    QList<bool> chosen(list.size(), false);
    // The operator's choices first, so that a default they took over from another action
    // (two keys swapped) goes to them.
    for (int row = 0; row < list.size(); ++row) {
        if (!settings.contains(list[row].id))
            continue;
        const auto keys = storedKeys(settings.value(list[row].id).toString());
        if (!keys)
            continue;
        chosen[row] = true;
        list[row].keys.clear();
        for (const QKeySequence& key : *keys)
            if (!claimed.contains(key))
                list[row].keys.append(key);
        claimed += list[row].keys;
    }
    for (int row = 0; row < list.size(); ++row) {
        if (!chosen[row])
            list[row].keys.removeIf(
                [&claimed](const QKeySequence& key) { return claimed.contains(key); });
        apply(row);
    }
}

QString KeyMap::keysText(const QList<QKeySequence>& keys)
{
    QStringList texts;
    for (const QKeySequence& key : keys)
        texts << key.toString(QKeySequence::NativeText);
    return texts.join(QStringLiteral(", "));
}

QString KeyMap::markdownTable() const
{
    QString table = QStringLiteral("| Action | Keys |\n| --- | --- |\n");
    for (const Entry& entry : list) {
        QString keys = keysText(entry.defaults);
        keys.replace(QLatin1Char('|'), QLatin1String("\\|"));
        table += QStringLiteral("| %1 | %2 |\n").arg(entry.name, keys);
    }
    return table;
}

void KeyMap::setKeys(int row, const QList<QKeySequence>& keys)
{
    list[row].keys = keys;
    apply(row);
    store(row);
    emit changed(row);
}

void KeyMap::store(int row) const
{
    QSettings settings;
    settings.beginGroup(QLatin1String(keysGroup));
    const Entry& entry = list[row];
    if (entry.keys == entry.defaults)
        settings.remove(entry.id);
    else
        settings.setValue(entry.id,
                          QKeySequence::listToString(entry.keys, QKeySequence::PortableText));
}

// Menus show the action's keys themselves; the tooltip is told.
void KeyMap::apply(int row) const
{
    const Entry& entry = list[row];
    if (!entry.action)
        return;
    entry.action->setShortcuts(entry.keys);
    const QString keys = keysText(entry.keys);
    entry.action->setToolTip(keys.isEmpty() ? entry.name
                                            : QStringLiteral("%1 (%2)").arg(entry.name, keys));
}
