#include "keyshortcutsdialog.h"
#include "windowtest.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSettings>
#include <QTreeWidget>
#include <QtTest>

class TestKeyShortcuts : public WindowTest
{
    Q_OBJECT

private slots:
    void changedKeyWorksAndTheOldOneNoLongerDoes();
    void changedKeyIsKeptAcrossARestart();
    void conflictingKeyIsRefusedNamingTheOtherAction_data();
    void conflictingKeyIsRefusedNamingTheOtherAction();
    void resetAllRestoresTheDesignKeys();
    void clearedKeyNoLongerActsAndResetBringsItBack();
    void resetIsRefusedWhenTheDefaultWasTakenMeanwhile();
    void storedChoicesLoad_data();
    void storedChoicesLoad();
    void menusAndTooltipsShowTheNewKey();
    void everyMenuActionIsListed();
    void dialogIsWorkedByKeyboard();
    void escWhileRecordingGivesUpAndEscAfterwardsCloses();
    void readmeKeysTableIsTheListOfTheDialog();
    void crosshairIsOffAtFirstAndItsKeyIsRemembered();
    void statusBarShowsTheSizeWhileDrawing();

private:
    KeyMap& keys() { return window->keyShortcuts().keyMap(); }
    int rowOf(const char* id) { return keys().indexOf(QLatin1String(id)); }
    QString keysOf(const char* id) { return KeyMap::keysText(keys().entries()[rowOf(id)].keys); }
    void restart();
    KeyShortcutsDialog* openDialog();
};

void TestKeyShortcuts::restart()
{
    window.reset();
    window = std::make_unique<Quadrotag>();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

KeyShortcutsDialog* TestKeyShortcuts::openDialog()
{
    pressKey(Qt::Key_K, Qt::ControlModifier);
    KeyShortcutsDialog* dialog = window->keyShortcuts().dialog();
    if (dialog && !QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }))
        return nullptr;
    return dialog;
}

void TestKeyShortcuts::changedKeyWorksAndTheOldOneNoLongerDoes()
{
    openBatch(batch);
    QVERIFY(keys().assign(rowOf("actionNext_Image"), QKeySequence(Qt::Key_N)));
    pressKey(Qt::Key_Down);
    QCOMPARE(window->imageSession().imagePath(), batch[0]);
    pressKey(Qt::Key_N);
    QCOMPARE(window->imageSession().imagePath(), batch[1]);
}

void TestKeyShortcuts::changedKeyIsKeptAcrossARestart()
{
    QVERIFY(keys().assign(rowOf("actionNext_Image"), QKeySequence(Qt::Key_N)));
    QVERIFY(keys().assign(rowOf("actionRecent_Tag_1"), QKeySequence(Qt::Key_Q)));
    restart();
    QCOMPARE(keysOf("actionNext_Image"), QStringLiteral("N"));
    QCOMPARE(keysOf("actionRecent_Tag_1"), QStringLiteral("Q"));
    openBatch(batch);
    pressKey(Qt::Key_Down);
    QCOMPARE(window->imageSession().imagePath(), batch[0]);
    pressKey(Qt::Key_N);
    QCOMPARE(window->imageSession().imagePath(), batch[1]);
}

void TestKeyShortcuts::conflictingKeyIsRefusedNamingTheOtherAction_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<QString>("holder");
    QTest::newRow("a menu key") << "actionNext_Image" << QKeySequence(QStringLiteral("Ctrl+S"))
                                << "Save Label";
    QTest::newRow("a canvas key") << "actionNext_Image" << QKeySequence(Qt::Key_B) << "Brighter";
    QTest::newRow("the second key of redo")
        << "actionSave_Label" << QKeySequence(QStringLiteral("Ctrl+Y")) << "Redo";
    QTest::newRow("its own key again") << "actionNext_Image" << QKeySequence(Qt::Key_Down) << "";
    QTest::newRow("a free key") << "actionNext_Image" << QKeySequence(Qt::Key_N) << "";
}

void TestKeyShortcuts::conflictingKeyIsRefusedNamingTheOtherAction()
{
    QFETCH(QString, id);
    QFETCH(QKeySequence, key);
    QFETCH(QString, holder);
    const int row = keys().indexOf(id);
    const QString before = KeyMap::keysText(keys().entries()[row].keys);
    QString refusal;
    QCOMPARE(keys().assign(row, key, &refusal), holder.isEmpty());
    if (holder.isEmpty()) {
        QCOMPARE(KeyMap::keysText(keys().entries()[row].keys), key.toString());
        return;
    }
    QVERIFY2(refusal.contains(QLatin1Char('"') + holder + QLatin1Char('"')), qPrintable(refusal));
    QCOMPARE(KeyMap::keysText(keys().entries()[row].keys), before);
    // Nothing refused is remembered.
    QVERIFY(!QSettings().contains(QStringLiteral("keys/") + id));
}

namespace {
// Today's keys, which Reset All must bring back exactly.
const std::pair<const char*, const char*> designKeys[] = {
    {"actionOpen_Images", "Ctrl+O"},
    {"actionOpen_Folder", "Ctrl+Shift+O"},
    {"actionSave_Label", "Ctrl+S"},
    {"actionNext_Image", "Down"},
    {"actionPrevious_Image", "Up"},
    {"actionNext_Unlabelled_Image", "Ctrl+Down"},
    {"actionDel_Shape", "Del"},
    {"actionText_ON_OFF", "Space"},
    {"actionUndo", "Ctrl+Z, Alt+Backspace"},
    {"actionRedo", "Ctrl+Shift+Z, Ctrl+Y, Alt+Shift+Backspace"},
    {"actionZoom_In", "Ctrl++, Ctrl+="},
    {"actionZoom_Out", "Ctrl+-"},
    {"actionOriginal_Size", "Ctrl+0"},
    {"actionFit_to_Window", "Ctrl+F"},
    {"actionCancel_Shape", "Esc"},
    {"actionRemove_Last_Corner", "Backspace"},
    {"actionRepeat_Shapes", "Ctrl+R"},
    {"actionFind_Tag", "Ctrl+T"},
    {"actionFilter_Images", "Ctrl+L"},
    {"actionNext_Listed_Image", "Ctrl+Shift+Down"},
    {"actionPrevious_Listed_Image", "Ctrl+Shift+Up"},
    {"actionBrighter", "B"},
    {"actionDarker", "Shift+B"},
    {"actionMore_Contrast", "C"},
    {"actionLess_Contrast", "Shift+C"},
    {"actionReset_Brightness_and_Contrast", "Ctrl+B"},
    {"actionHide_Shapes", "H"},
    {"actionCopy_Shape", "Ctrl+C"},
    {"actionPaste_Shape", "Ctrl+V"},
    {"actionAccept_Image", "Ctrl+Shift+A"},
    {"actionReject_Image", "Ctrl+Shift+R"},
    {"actionAssist_Drawing", "Ctrl+G"},
    {"actionNudge_Left", "Alt+Left"},
    {"actionNudge_Down_by_Ten", "Alt+Shift+Down"},
    {"actionRecent_Tag_1", "1"},
    {"actionRecent_Tag_9", "9"},
    {"actionKeyboard_Shortcuts", "Ctrl+K"},
    {"actionCrosshair", "X"},
    {"actionOpen_Project", ""},
};
} // namespace

// One window for the whole table: a restart per key made this the slowest test of all.
void TestKeyShortcuts::resetAllRestoresTheDesignKeys()
{
    const auto keysOfId = [this](const char* id) {
        const int row = keys().indexOf(QLatin1String(id));
        return row < 0 ? QStringLiteral("(not listed)")
                       : KeyMap::keysText(keys().entries()[row].keys);
    };
    for (const auto& [id, design] : designKeys)
        QVERIFY2(keysOfId(id) == QLatin1String(design), id);
    // Every action to a key of its own, then Reset All.
    const Qt::KeyboardModifiers modifiers[] = {Qt::NoModifier, Qt::AltModifier,
                                               Qt::AltModifier | Qt::ControlModifier};
    for (int other = 0; other < keys().entries().size(); ++other)
        QVERIFY(
            keys().assign(other, QKeySequence(QKeyCombination(modifiers[other / 30],
                                                              Qt::Key(Qt::Key_F1 + other % 30)))));
    for (const auto& [id, design] : designKeys)
        QVERIFY2(keysOfId(id) != QLatin1String(design), id);
    keys().resetAll();
    for (const auto& [id, design] : designKeys)
        QVERIFY2(keysOfId(id) == QLatin1String(design), id);
    QSettings settings;
    settings.beginGroup(QStringLiteral("keys"));
    QCOMPARE(settings.childKeys(), QStringList());
    restart();
    for (const auto& [id, design] : designKeys)
        QVERIFY2(keysOfId(id) == QLatin1String(design), id);
}

void TestKeyShortcuts::clearedKeyNoLongerActsAndResetBringsItBack()
{
    openBatch(batch);
    const int row = rowOf("actionNext_Image");
    keys().clear(row);
    QCOMPARE(keysOf("actionNext_Image"), QString());
    pressKey(Qt::Key_Down);
    QCOMPARE(window->imageSession().imagePath(), batch[0]);
    restart();
    QCOMPARE(keysOf("actionNext_Image"), QString());
    QVERIFY(keys().reset(rowOf("actionNext_Image")));
    openBatch(batch);
    pressKey(Qt::Key_Down);
    QCOMPARE(window->imageSession().imagePath(), batch[1]);
}

void TestKeyShortcuts::resetIsRefusedWhenTheDefaultWasTakenMeanwhile()
{
    QVERIFY(keys().assign(rowOf("actionNext_Image"), QKeySequence(Qt::Key_N)));
    QVERIFY(keys().assign(rowOf("actionHide_Shapes"), QKeySequence(Qt::Key_Down)));
    QString refusal;
    QVERIFY(!keys().reset(rowOf("actionNext_Image"), &refusal));
    QVERIFY2(refusal.contains(QStringLiteral("\"Hide Shapes\"")), qPrintable(refusal));
    QCOMPARE(keysOf("actionNext_Image"), QStringLiteral("N"));
}

void TestKeyShortcuts::storedChoicesLoad_data()
{
    QTest::addColumn<QString>("nextStored");
    QTest::addColumn<QString>("previousStored");
    QTest::addColumn<QString>("nextKeys");
    QTest::addColumn<QString>("previousKeys");
    QTest::newRow("two keys swapped") << "Up"
                                      << "Down"
                                      << "Up"
                                      << "Down";
    QTest::newRow("one takes the other's default") << "Up"
                                                   << "-"
                                                   << "Up"
                                                   << "";
    QTest::newRow("cleared") << ""
                             << "-"
                             << ""
                             << "Up";
    QTest::newRow("not a key: the default stays") << "Ctrl+Nonsense+"
                                                  << "-"
                                                  << "Down"
                                                  << "Up";
    QTest::newRow("two stored alike: the first listed keeps it, the other its default") << "N"
                                                                                        << "N"
                                                                                        << "N"
                                                                                        << "Up";
    QTest::newRow("two keys") << "N; Ctrl+N"
                              << "-"
                              << "N, Ctrl+N"
                              << "Up";
}

void TestKeyShortcuts::storedChoicesLoad()
{
    QFETCH(QString, nextStored);
    QFETCH(QString, previousStored);
    QFETCH(QString, nextKeys);
    QFETCH(QString, previousKeys);
    window.reset();
    {
        QSettings settings;
        settings.setValue(QStringLiteral("keys/actionNext_Image"), nextStored);
        if (previousStored != QStringLiteral("-"))
            settings.setValue(QStringLiteral("keys/actionPrevious_Image"), previousStored);
    }
    restart();
    QCOMPARE(keysOf("actionNext_Image"), nextKeys);
    QCOMPARE(keysOf("actionPrevious_Image"), previousKeys);
}

void TestKeyShortcuts::menusAndTooltipsShowTheNewKey()
{
    QAction* next = keys().entries()[rowOf("actionNext_Image")].action;
    QVERIFY(next->toolTip().contains(QStringLiteral("(Down)")));
    QVERIFY(keys().assign(rowOf("actionNext_Image"), QKeySequence(Qt::Key_N)));
    QCOMPARE(next->shortcut(), QKeySequence(Qt::Key_N));
    QCOMPARE(next->toolTip(), QStringLiteral("Next Image (N)"));
    keys().clear(rowOf("actionNext_Image"));
    QCOMPARE(next->toolTip(), QStringLiteral("Next Image"));
}

void TestKeyShortcuts::everyMenuActionIsListed()
{
    for (QAction* menu : window->menuBar()->actions()) {
        for (QAction* action : menu->menu()->actions()) {
            if (action->isSeparator() || action->menu())
                continue;
            QVERIFY2(keys().indexOf(action->objectName()) >= 0 && !action->objectName().isEmpty(),
                     qPrintable(action->text()));
        }
    }
    QVERIFY(rowOf("actionRecent_Tag_9") >= 0);
    QVERIFY(rowOf("actionNudge_Right_by_Ten") >= 0);
}

void TestKeyShortcuts::dialogIsWorkedByKeyboard()
{
    openBatch(batch);
    KeyShortcutsDialog* dialog = openDialog();
    QVERIFY(dialog);
    auto* filter = dialog->findChild<QLineEdit*>();
    auto* list = dialog->findChild<QTreeWidget*>();
    QCOMPARE(QApplication::focusWidget(), filter);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("next im"));
    int shown = 0;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        shown += list->topLevelItem(row)->isHidden() ? 0 : 1;
    QCOMPARE(shown, 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), list);
    QCOMPARE(dialog->currentRow(), rowOf("actionNext_Image"));
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(dialog->isRecording());
    // A modifier alone is no key yet.
    QTest::keyClick(list, Qt::Key_Shift, Qt::ShiftModifier);
    QVERIFY(dialog->isRecording());
    QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!dialog->isRecording());
    QVERIFY2(dialog->note().contains(QStringLiteral("\"Save Label\"")), qPrintable(dialog->note()));
    QCOMPARE(keysOf("actionNext_Image"), QStringLiteral("Down"));
    QTest::keyClick(list, Qt::Key_Return);
    QTest::keyClick(list, Qt::Key_N, Qt::ShiftModifier);
    QCOMPARE(keysOf("actionNext_Image"), QStringLiteral("Shift+N"));
    QCOMPARE(list->currentItem()->text(1), QStringLiteral("Shift+N"));
    QTest::keyClick(list, Qt::Key_Escape);
    QTRY_VERIFY(!window->keyShortcuts().dialog());
    pressKey(Qt::Key_N, Qt::ShiftModifier);
    QCOMPARE(window->imageSession().imagePath(), batch[1]);
}

void TestKeyShortcuts::escWhileRecordingGivesUpAndEscAfterwardsCloses()
{
    KeyShortcutsDialog* dialog = openDialog();
    QVERIFY(dialog);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("save"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(dialog->currentRow(), rowOf("actionSave_Label"));
    auto* list = dialog->findChild<QTreeWidget*>();
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(dialog->isRecording());
    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!dialog->isRecording());
    QVERIFY(window->keyShortcuts().dialog());
    QCOMPARE(keysOf("actionSave_Label"), QStringLiteral("Ctrl+S"));
    QTest::keyClick(list, Qt::Key_Escape);
    QTRY_VERIFY(!window->keyShortcuts().dialog());
}

// The README's table is this list; when they differ, the expected table is printed.
void TestKeyShortcuts::readmeKeysTableIsTheListOfTheDialog()
{
    QFile readme(QStringLiteral(QUADROTAG_README));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const QString begin = QStringLiteral("<!-- keys table: begin -->\n");
    const QString end = QStringLiteral("<!-- keys table: end -->");
    const qsizetype from = text.indexOf(begin);
    const qsizetype to = text.indexOf(end);
    QVERIFY(from >= 0 && to > from);
    const QString shown = text.mid(from + begin.size(), to - from - begin.size());
    const QString expected = keys().markdownTable();
    if (shown != expected)
        qWarning().noquote() << "The README's keys table should read:\n" << expected;
    QCOMPARE(shown, expected);
}

void TestKeyShortcuts::crosshairIsOffAtFirstAndItsKeyIsRemembered()
{
    QVERIFY(!canvas()->crosshairLines().isOn());
    viewer()->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(viewer(), Qt::Key_X);
    QVERIFY(canvas()->crosshairLines().isOn());
    restart();
    QVERIFY(canvas()->crosshairLines().isOn());
    // Letters typed into the finder stay there.
    pressKey(Qt::Key_T, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_X);
    QVERIFY(canvas()->crosshairLines().isOn());
    // Anywhere in the window, not only on the canvas.
    window->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(window.get(), Qt::Key_X);
    QVERIFY(!canvas()->crosshairLines().isOn());
    restart();
    QVERIFY(!canvas()->crosshairLines().isOn());
}

void TestKeyShortcuts::statusBarShowsTheSizeWhileDrawing()
{
    openBatch(batch);
    auto* size = window->findChild<QLabel*>(QStringLiteral("liveSizeLabel"));
    QVERIFY(size && size->isHidden());
    drawShape({{20, 30}, {120, 40}});
    QMouseEvent move(QEvent::MouseMove, QPointF(70, 110),
                     QPointF(canvas()->mapToGlobal(QPoint(70, 110))), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(canvas(), &move);
    QVERIFY(size->isVisible());
    QCOMPARE(size->text(), QStringLiteral("x 70, y 110 · 100 × 80 px"));
    drawShape({{110, 100}, {20, 100}});
    QVERIFY(size->isHidden());
}

QTEST_MAIN(TestKeyShortcuts)
#include "test_keyshortcuts.moc"
