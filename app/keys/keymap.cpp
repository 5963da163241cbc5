#include "keymap.h"

#include "actionkeys.h"

#include <QAction>
#include <QDebug>
#include <QMenu>
#include <QMenuBar>
#include <QMetaEnum>
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

bool isPrivateUse(char32_t code)
{
    return (code >= 0xE000 && code <= 0xF8FF) || code >= 0xF0000;
}

// A key the toolkit names, or a printable character (AltGr can send codes that are neither).
bool isKnownKey(int key)
{
    if (key == Qt::Key_unknown || key < 0)
        return false;
    if (key >= Qt::Key_Escape)
        return QMetaEnum::fromType<Qt::Key>().valueToKey(key) != nullptr;
    const auto code = char32_t(key);
    return code <= 0x10FFFF && !QChar::isSurrogate(code) && !isPrivateUse(code) &&
           QChar::isPrint(code);
}

// The settings file keeps a key as text; a key whose text reads back as another (a dead key)
// would work until the next start and then be another. Letters read back in capitals, as the
// toolkit matches them.
bool readsBack(const QKeySequence& key)
{
    const QString text = key.toString(QKeySequence::PortableText);
    return QKeySequence::fromString(text, QKeySequence::PortableText)
               .toString(QKeySequence::PortableText) == text;
}

bool isKey(const QKeySequence& key)
{
    if (key.isEmpty() || !readsBack(key))
        return false;
    for (int chord = 0; chord < key.count(); ++chord)
        if (KeyMap::isModifierKey(key[chord].key()) || !isKnownKey(key[chord].key()))
            return false;
    return true;
}

// One key is the other, or the first steps of it: the shorter one fires and the longer never.
bool conflicts(const QKeySequence& one, const QKeySequence& other)
{
    const int shared = std::min(one.count(), other.count());
    for (int chord = 0; chord < shared; ++chord)
        if (one[chord] != other[chord])
            return false;
    return shared > 0;
}

bool conflictsWithAny(const QKeySequence& key, const QList<QKeySequence>& keys)
{
    return std::any_of(keys.cbegin(), keys.cend(),
                       [&key](const QKeySequence& other) { return conflicts(key, other); });
}

// A stored text that holds no usable key is no choice: the defaults stay. A hand-written
// "Ctrl+Shift+Z, Ctrl+Y" comes as a list, one key an item, as the dialog shows them.
std::optional<QList<QKeySequence>> storedKeys(const QVariant& value)
{
    QStringList texts = value.toStringList();
    if (value.typeId() != QMetaType::QStringList)
        texts = QStringList{value.toString()};
    QList<QKeySequence> keys;
    bool empty = true;
    for (const QString& text : std::as_const(texts)) {
        empty = empty && text.trimmed().isEmpty();
        for (const QKeySequence& key :
             QKeySequence::listFromString(text, QKeySequence::PortableText))
            if (isKey(key) && !conflictsWithAny(key, keys))
                keys.append(key);
    }
    if (empty)
        return QList<QKeySequence>();
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
                 action->shortcuts(),
                 action->property(platformKeysProperty).value<QList<QKeySequence>>(),
                 action->shortcuts(), action});
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
        if (row != except && conflictsWithAny(key, list[row].keys))
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
    QList<bool> refused(list.size(), false);
    // The operator's choices first, so that a default they took over from another action
    // (two keys swapped) goes to them.
    for (int row = 0; row < list.size(); ++row) {
        if (!settings.contains(list[row].id))
            continue;
        const auto keys = storedKeys(settings.value(list[row].id));
        if (!keys)
            continue;
        QList<QKeySequence> free;
        for (const QKeySequence& key : *keys)
            if (!conflictsWithAny(key, claimed))
                free.append(key);
        // Every stored key held by another stored choice: this action falls back to defaults.
        refused[row] = free.isEmpty() && !keys->isEmpty();
        if (refused[row])
            continue;
        chosen[row] = true;
        list[row].keys = free;
        claimed += free;
    }
    for (int row = 0; row < list.size(); ++row) {
        if (!chosen[row])
            list[row].keys = freeDefaults(row, claimed, refused[row]);
        apply(row);
    }
}

QList<QKeySequence> KeyMap::freeDefaults(int row, const QList<QKeySequence>& claimed,
                                         bool storedRefused) const
{
    QList<QKeySequence> keys = list[row].defaults;
    keys.removeIf([&claimed](const QKeySequence& key) { return conflictsWithAny(key, claimed); });
    // Without a stored choice of its own, the operator gave its key away on purpose.
    if (storedRefused && keys.isEmpty() && !list[row].defaults.isEmpty())
        qWarning().noquote() << QStringLiteral("\"%1\" has no key: its keys are those of other "
                                               "actions in the settings file")
                                    .arg(list[row].name);
    return keys;
}

std::optional<QKeySequence> KeyMap::recordedKey(int key, Qt::KeyboardModifiers modifiers,
                                                QString* refusal)
{
    if (KeyMap::isModifierKey(key) || !isKnownKey(key)) {
        if (refusal)
            *refusal = KeyMap::isModifierKey(key)
                           ? QStringLiteral("A modifier alone is no key")
                           : QStringLiteral("This key (code %1) is no key the program can "
                                            "keep; try another")
                                 .arg(key, 0, 16);
        return std::nullopt;
    }
    modifiers &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    // Shift+Tab arrives as Backtab, and the toolkit matches it as Shift+Tab.
    if (key == Qt::Key_Backtab)
        return QKeySequence(QKeyCombination(modifiers | Qt::ShiftModifier, Qt::Key_Tab));
    // Shift made the character ("!" of Shift+1); the shortcut fires on the character alone.
    const bool shiftedCharacter =
        key > Qt::Key_Space && key < Qt::Key_Escape && !QChar::isLetter(char32_t(key));
    if (shiftedCharacter)
        modifiers &= ~Qt::ShiftModifier;
    const QKeySequence recorded(QKeyCombination(modifiers, Qt::Key(key)));
    if (readsBack(recorded))
        return recorded;
    if (refusal)
        *refusal = QStringLiteral("This key (code %1) can't be kept in the settings file; try "
                                  "another")
                       .arg(key, 0, 16);
    return std::nullopt;
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
        QList<QKeySequence> everywhere = entry.defaults;
        everywhere.removeIf(
            [&entry](const QKeySequence& key) { return entry.platformDefaults.contains(key); });
        QString keys = keysText(everywhere);
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

bool KeyMap::isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return true;
    default:
        return false;
    }
}
