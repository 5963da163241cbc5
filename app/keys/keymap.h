#ifndef QUADROTAG_KEYMAP_H
#define QUADROTAG_KEYMAP_H

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QAction;
class QWidget;

// The keys of every named action of the window: the ones the program starts with, the ones
// the operator chose instead, kept in the settings file. No key belongs to two actions.
class KeyMap : public QObject
{
    Q_OBJECT

public:
    struct Entry
    {
        QString id;
        QString name;
        QList<QKeySequence> defaults;
        // Those of the defaults that only this platform gives.
        QList<QKeySequence> platformDefaults;
        QList<QKeySequence> keys;
        QPointer<QAction> action;
    };

    // Takes the actions of the window's menus, then those of the window and its widgets
    // (the canvas keys), each once; actions without an object name are passing entries
    // (recent projects), and those without text belong to the toolkit's own widgets.
    void collect(QWidget* window);
    // The action's keys at this moment become its defaults.
    void add(QAction* action, const QString& name = QString());

    const QList<Entry>& entries() const { return list; }
    int indexOf(const QString& id) const;
    // The name of the other action that holds this key, or nothing when it is free.
    QString holderOf(const QKeySequence& key, int except) const;

    // Each refuses with the holder's name (and changes nothing) when another action has the key.
    bool assign(int row, const QKeySequence& key, QString* refusal = nullptr);
    bool reset(int row, QString* refusal = nullptr);
    void clear(int row);
    void resetAll();

    // The key the toolkit's shortcuts fire on when this key is pressed, or nothing (and why)
    // when it is no key: a modifier alone, or a code that is neither a key nor a character.
    static std::optional<QKeySequence> recordedKey(int key, Qt::KeyboardModifiers modifiers,
                                                   QString* refusal = nullptr);
    // Shift, Ctrl, Alt, AltGr, Meta or Super pressed alone.
    static bool isModifierKey(int key);
    // The operator's keys from the settings file; a stored key that is not a key or that
    // another stored choice holds is left out, and an action left without any of its stored
    // keys keeps those of its defaults that are free.
    void load();
    // "Ctrl+Shift+Z, Ctrl+Y"; "" for none.
    static QString keysText(const QList<QKeySequence>& keys);
    // The Markdown table of every action and its default keys that are the same on every
    // platform, as the README shows it.
    QString markdownTable() const;

signals:
    void changed(int row);

private:
    void setKeys(int row, const QList<QKeySequence>& keys);
    void store(int row) const;
    void apply(int row) const;
    // The defaults no stored choice holds; tells on stderr when an action whose stored keys
    // were refused is left with none.
    QList<QKeySequence> freeDefaults(int row, const QList<QKeySequence>& claimed,
                                     bool storedRefused) const;

    QList<Entry> list;
};

#endif
