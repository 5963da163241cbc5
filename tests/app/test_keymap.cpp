#include "keymap.h"
#include "keyshortcutsdialog.h"

#include <QAction>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWidget>
#include <QtTest>

#include <memory>

// The key map of a small window of its own, with its settings in a temporary folder.
class TestKeyMap : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void recordedKeyIsWhatTheShortcutFiresOn_data();
    void recordedKeyIsWhatTheShortcutFiresOn();
    void recordedKeyFiresItsAction_data();
    void recordedKeyFiresItsAction();
    void storedKeysLoad_data();
    void storedKeysLoad();
    void multipleKeysRoundTripThroughTheSettingsFile();
    void dialogRecordsTheKeyTheShortcutFiresOn_data();
    void dialogRecordsTheKeyTheShortcutFiresOn();
    void changingTheFilterOrTheSelectionStopsRecording_data();
    void changingTheFilterOrTheSelectionStopsRecording();

private:
    void addAction(const char* id, const char* name, const QList<QKeySequence>& keys);
    QString keysOf(const char* id) const
    {
        return KeyMap::keysText(map->entries()[map->indexOf(QLatin1String(id))].keys);
    }

    std::unique_ptr<QTemporaryDir> settingsDir;
    std::unique_ptr<QWidget> window;
    std::unique_ptr<KeyMap> map;
};

void TestKeyMap::init()
{
    settingsDir = std::make_unique<QTemporaryDir>();
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir->path());
    window = std::make_unique<QWidget>();
    map = std::make_unique<KeyMap>();
    addAction("actionNext", "Next", {QKeySequence(Qt::Key_Down)});
    addAction("actionPrevious", "Previous", {QKeySequence(Qt::Key_Up)});
    addAction("actionUndo", "Undo", {QKeySequence(QStringLiteral("Ctrl+Z"))});
    addAction("actionCrosshair", "Crosshair", {QKeySequence(Qt::Key_X)});
}

void TestKeyMap::cleanup()
{
    map.reset();
    window.reset();
    settingsDir.reset();
}

void TestKeyMap::addAction(const char* id, const char* name, const QList<QKeySequence>& keys)
{
    auto* action = new QAction(QString::fromLatin1(name), window.get());
    action->setObjectName(QString::fromLatin1(id));
    action->setShortcuts(keys);
    window->addAction(action);
    map->add(action);
}

void TestKeyMap::recordedKeyIsWhatTheShortcutFiresOn_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("recorded");
    QTest::addColumn<bool>("refused");
    const auto shift = Qt::KeyboardModifiers(Qt::ShiftModifier);
    const auto ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    QTest::newRow("Shift+1 gives !") << int(Qt::Key_Exclam) << shift << "!" << false;
    QTest::newRow("Ctrl+Shift+1 gives Ctrl+!")
        << int(Qt::Key_Exclam) << ctrlShift << "Ctrl+!" << false;
    QTest::newRow("Shift+Tab") << int(Qt::Key_Backtab) << shift << "Shift+Tab" << false;
    QTest::newRow("Backtab without Shift")
        << int(Qt::Key_Backtab) << Qt::KeyboardModifiers() << "Shift+Tab" << false;
    QTest::newRow("a letter keeps Shift") << int(Qt::Key_N) << shift << "Shift+N" << false;
    QTest::newRow("Space keeps Shift") << int(Qt::Key_Space) << shift << "Shift+Space" << false;
    QTest::newRow("a named key keeps Shift") << int(Qt::Key_Down) << shift << "Shift+Down" << false;
    QTest::newRow("a digit without Shift")
        << int(Qt::Key_1) << Qt::KeyboardModifiers() << "1" << false;
    QTest::newRow("the keypad is no modifier")
        << int(Qt::Key_5) << Qt::KeyboardModifiers(Qt::KeypadModifier) << "5" << false;
    QTest::newRow("AltGr's group switch is no modifier")
        << int(0x20AC) << Qt::KeyboardModifiers(Qt::GroupSwitchModifier) << "€" << false;
    QTest::newRow("a printable character beyond Latin")
        << int(0x00E9) << Qt::KeyboardModifiers() << "É" << false;
    QTest::newRow("a surrogate") << 0xD800 << Qt::KeyboardModifiers() << "" << true;
    QTest::newRow("the last surrogate") << 0xDFFF << Qt::KeyboardModifiers() << "" << true;
    QTest::newRow("private use") << 0xE000 << Qt::KeyboardModifiers() << "" << true;
    QTest::newRow("last private use") << 0xF8FF << Qt::KeyboardModifiers() << "" << true;
    QTest::newRow("first after private use")
        << 0xF900 << Qt::KeyboardModifiers() << QString(QChar(0xF900)) << false;
    QTest::newRow("plane 15 private use") << 0xF0000 << Qt::KeyboardModifiers() << "" << true;
    QTest::newRow("beyond Unicode") << 0x110000 << Qt::KeyboardModifiers() << "" << true;
    QTest::newRow("an unknown toolkit key") << 0x0100D7C0 << Qt::KeyboardModifiers() << "" << true;
    QTest::newRow("Key_unknown") << int(Qt::Key_unknown) << Qt::KeyboardModifiers() << "" << true;
    QTest::newRow("a control character") << 0x07 << Qt::KeyboardModifiers() << "" << true;
    QTest::newRow("a bare modifier") << int(Qt::Key_Shift) << shift << "" << true;
    QTest::newRow("a dead key, whose text reads back as another")
        << int(Qt::Key_Dead_Circumflex) << Qt::KeyboardModifiers() << "" << true;
}

void TestKeyMap::recordedKeyIsWhatTheShortcutFiresOn()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, recorded);
    QFETCH(bool, refused);
    QString refusal;
    const auto sequence = KeyMap::recordedKey(key, modifiers, &refusal);
    QCOMPARE(!sequence.has_value(), refused);
    QCOMPARE(refusal.isEmpty(), !refused);
    if (sequence)
        QCOMPARE(sequence->toString(), recorded);
}

void TestKeyMap::recordedKeyFiresItsAction_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Shift+Tab") << int(Qt::Key_Backtab) << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("Shift+N") << int(Qt::Key_N) << Qt::KeyboardModifiers(Qt::ShiftModifier);
}

// The key is pressed as a keyboard sends it, and the action it was recorded for fires. ("!" of
// Shift+1 is left out: a synthetic event carries no layout, so the toolkit matches it literally.)
void TestKeyMap::recordedKeyFiresItsAction()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    const int row = map->indexOf(QStringLiteral("actionNext"));
    const auto sequence = KeyMap::recordedKey(key, modifiers);
    QVERIFY(sequence);
    QVERIFY(map->assign(row, *sequence));
    QSignalSpy fired(map->entries()[row].action.data(), &QAction::triggered);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key(key), modifiers);
    QCOMPARE(fired.size(), 1);
}

void TestKeyMap::storedKeysLoad_data()
{
    QTest::addColumn<QVariant>("nextStored");
    QTest::addColumn<QVariant>("previousStored");
    QTest::addColumn<QString>("nextKeys");
    QTest::addColumn<QString>("previousKeys");
    QTest::addColumn<QString>("warning");
    const QVariant none;
    QTest::newRow("two store the same key: the second keeps its default")
        << QVariant(QStringLiteral("N")) << QVariant(QStringLiteral("N")) << "N"
        << "Up"
        << "";
    QTest::newRow("the second's default taken too: no key")
        << QVariant(QStringLiteral("Up")) << QVariant(QStringLiteral("Up")) << "Up"
        << ""
        << "\"Previous\" has no key: its keys are those of other actions in the settings file";
    QTest::newRow("one took the other's default: told nothing")
        << QVariant(QStringLiteral("Up")) << none << "Up"
        << ""
        << "";
    QTest::newRow("one of two stored keys taken: the other stays")
        << QVariant(QStringLiteral("N")) << QVariant(QStringLiteral("N; P")) << "N"
        << "P"
        << "";
    QTest::newRow("a hand-written list")
        << QVariant(QStringList{QStringLiteral("Ctrl+N"), QStringLiteral("N")}) << none
        << "Ctrl+N, N"
        << "Up"
        << "";
    QTest::newRow("a list with one bad key")
        << QVariant(QStringList{QStringLiteral("Shift"), QStringLiteral("N")}) << none << "N"
        << "Up"
        << "";
    QTest::newRow("a bare modifier: the default stays")
        << QVariant(QStringLiteral("Shift")) << none << "Down"
        << "Up"
        << "";
    QTest::newRow("a private-use character: the default stays")
        << QVariant(QString(QChar(0xE000))) << none << "Down"
        << "Up"
        << "";
    QTest::newRow("a printable character is a key")
        << QVariant(QStringLiteral("Ctrl+É")) << none << "Ctrl+É"
        << "Up"
        << "";
    QTest::newRow("Ctrl alone") << QVariant(QStringLiteral("Ctrl")) << none << "Down"
                                << "Up"
                                << "";
    QTest::newRow("a two-step key that begins with the other's takes it")
        << QVariant(QStringLiteral("Up, N")) << none << "Up, N"
        << ""
        << "";
    QTest::newRow("a two-step key that begins with the other's stored key")
        << QVariant(QStringLiteral("N")) << QVariant(QStringLiteral("N, P")) << "N"
        << "Up"
        << "";
    QTest::newRow("two modifiers are no key either")
        << QVariant(QStringLiteral("Ctrl+Shift")) << none << "Down"
        << "Up"
        << "";
}

void TestKeyMap::storedKeysLoad()
{
    QFETCH(QVariant, nextStored);
    QFETCH(QVariant, previousStored);
    QFETCH(QString, nextKeys);
    QFETCH(QString, previousKeys);
    QFETCH(QString, warning);
    if (warning.isEmpty())
        QTest::failOnWarning(QRegularExpression(QStringLiteral("has no key")));
    else
        QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    {
        QSettings settings;
        settings.setValue(QStringLiteral("keys/actionNext"), nextStored);
        if (previousStored.isValid())
            settings.setValue(QStringLiteral("keys/actionPrevious"), previousStored);
    }
    map->load();
    QCOMPARE(keysOf("actionNext"), nextKeys);
    QCOMPARE(keysOf("actionPrevious"), previousKeys);
}

// A hand edit of the settings file as the dialog shows the keys: "Ctrl+Shift+Z, Ctrl+Y".
void TestKeyMap::multipleKeysRoundTripThroughTheSettingsFile()
{
    const QString file = QSettings().fileName();
    QDir().mkpath(QFileInfo(file).path());
    QFile ini(file);
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[keys]\nactionUndo=Ctrl+Shift+Z, Ctrl+Y\n");
    ini.close();
    map->load();
    QCOMPARE(keysOf("actionUndo"), QStringLiteral("Ctrl+Shift+Z, Ctrl+Y"));
    // Loading leaves the operator's hand edit as it was.
    QCOMPARE(QSettings().value(QStringLiteral("keys/actionUndo")).toStringList(),
             QStringList({QStringLiteral("Ctrl+Shift+Z"), QStringLiteral("Ctrl+Y")}));
}

void TestKeyMap::dialogRecordsTheKeyTheShortcutFiresOn_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("note");
    QTest::newRow("Shift+1") << int(Qt::Key_Exclam) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                             << "!"
                             << "";
    QTest::newRow("Shift+Tab") << int(Qt::Key_Backtab) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                               << "Shift+Tab"
                               << "";
    QTest::newRow("AltGr's garbage")
        << 0xD800 << Qt::KeyboardModifiers(Qt::GroupSwitchModifier) << "Down"
        << "no key the program can keep";
}

void TestKeyMap::dialogRecordsTheKeyTheShortcutFiresOn()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, keys);
    QFETCH(QString, note);
    KeyShortcutsDialog dialog(*map);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* list = dialog.findChild<QTreeWidget*>();
    QTest::keyClick(dialog.findChild<QLineEdit*>(), Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(dialog.isRecording());
    // As the keyboard sends it: the test's own key clicks refuse codes that are no key.
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(list, &press);
    QVERIFY(!dialog.isRecording());
    QCOMPARE(keysOf("actionNext"), keys);
    QVERIFY2(note.isEmpty() ? dialog.note().isEmpty() : dialog.note().contains(note),
             qPrintable(dialog.note()));
    QCOMPARE(QSettings().value(QStringLiteral("keys/actionNext")).isValid(), note.isEmpty());
}

void TestKeyMap::changingTheFilterOrTheSelectionStopsRecording_data()
{
    QTest::addColumn<bool>("byFilter");
    QTest::newRow("the filter changes") << true;
    QTest::newRow("the selection changes") << false;
}

// Otherwise the next Enter would become the key of an action no longer in sight.
void TestKeyMap::changingTheFilterOrTheSelectionStopsRecording()
{
    QFETCH(bool, byFilter);
    KeyShortcutsDialog dialog(*map);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* filter = dialog.findChild<QLineEdit*>();
    auto* list = dialog.findChild<QTreeWidget*>();
    QTest::keyClicks(filter, QStringLiteral("e"));
    QTest::keyClick(filter, Qt::Key_Down);
    QCOMPARE(dialog.currentRow(), map->indexOf(QStringLiteral("actionNext")));
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(dialog.isRecording());
    if (byFilter)
        filter->setText(QStringLiteral("undo"));
    else
        list->setCurrentItem(list->topLevelItem(map->indexOf(QStringLiteral("actionPrevious"))));
    QVERIFY(!dialog.isRecording());
    // Enter now records for the selected row in sight (none when the filter hid it).
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(dialog.isRecording(), !byFilter);
    QTest::keyClick(list, Qt::Key_Escape);
    QCOMPARE(keysOf("actionNext"), QStringLiteral("Down"));
    QCOMPARE(keysOf("actionPrevious"), QStringLiteral("Up"));
}

QTEST_MAIN(TestKeyMap)
#include "test_keymap.moc"
