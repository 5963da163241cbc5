#include "windowtest.h"

#include "keyshortcutsdialog.h"
#include "shapeclipboard.h"
#include "viewadjustment.h"
#include "workflowfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QtTest>

using Points = std::vector<QPoint>;
using Cells = std::vector<std::pair<int, int>>;
Q_DECLARE_METATYPE(Points)
Q_DECLARE_METATYPE(Cells)

namespace {
// Every test leaves the settings as it found them: empty.
struct SettingsCleared
{
    SettingsCleared() { QSettings().clear(); }
    ~SettingsCleared() { QSettings().clear(); }
};

void putOnClipboard(const QString& type, const QByteArray& bytes)
{
    auto* data = new QMimeData;
    data->setData(type, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}
} // namespace

class TestViewComfort : public WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase();

    void canvasKeysChangeBrightnessAndContrast_data();
    void canvasKeysChangeBrightnessAndContrast();
    void lettersTypedIntoTheFinderStayThere_data();
    void lettersTypedIntoTheFinderStayThere();
    void brightnessReachesTheScreenOnlyAndStays();
    void dialogSlidersAndResetFollowTheKeys();
    void hiddenShapesStayHiddenAcrossDownAndDrawing();
    void pastesTheCopiedShapeWithItsTags_data();
    void pastesTheCopiedShapeWithItsTags();
    void pastedShapeLandsOnTheImage();
    void pasteLeavesOffTagsThisVocabularyLacks();
    void pasteRefusesOtherClipboardContent_data();
    void pasteRefusesOtherClipboardContent();
    void darkPaletteIsRemembered();

private:
    QLabel* statusLabel(const char* name) const { return window->findChild<QLabel*>(name); }
    QAction* menuAction(const QString& text) const;
    // Keys while the canvas has the keyboard.
    void pressOnCanvas(const QKeySequence& key);
    // Keys where the keyboard is after this: "canvas", "as opened", "tag table clicked",
    // "finder closed", "dialog closed", "shortcuts closed".
    void pressAfter(const QString& focus, const QStringList& keys);
    void restartWindow();
    QColor shownAt(const QPoint& imagePixel) const;
};

void TestViewComfort::initTestCase()
{
    // The settings of this test stay apart from any operator's.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("QuadrotagTest"));
    QCoreApplication::setApplicationName(QStringLiteral("test_viewcomfort"));
    QSettings().clear();
}

QAction* TestViewComfort::menuAction(const QString& text) const
{
    for (QAction* action : window->findChild<QMenu*>(QStringLiteral("menuFunction"))->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

void TestViewComfort::pressOnCanvas(const QKeySequence& key)
{
    viewer()->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(viewer(), Qt::Key(key[0].key()), key[0].keyboardModifiers());
}

void TestViewComfort::pressAfter(const QString& focus, const QStringList& keys)
{
    if (focus == "canvas") {
        for (const QString& key : keys)
            pressOnCanvas(QKeySequence(key));
        return;
    }
    if (focus == "tag table clicked") {
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {},
                          table()->visualRect(table()->model()->index(0, 0)).center());
        QCOMPARE(QApplication::focusWidget(), table());
    } else if (focus == "finder closed") {
        pressKey(Qt::Key_T, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    } else if (focus == "dialog closed") {
        menuAction(QStringLiteral("Brightness and Contrast…"))->trigger();
        auto* dialog = window->findChild<QDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        dialog->close();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    } else if (focus == "shortcuts closed") {
        KeyMap& keys = window->keyShortcuts().keyMap();
        QVERIFY(
            keys.assign(keys.indexOf(QStringLiteral("actionNext_Image")), QKeySequence(Qt::Key_N)));
        window->keyShortcuts().openDialog();
        QVERIFY(window->keyShortcuts().dialog());
        window->keyShortcuts().dialog()->reject();
        QTRY_VERIFY(!window->keyShortcuts().dialog());
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    // As an operator types: to whatever has the keyboard, the canvas never clicked.
    for (const QString& key : keys) {
        const QKeySequence sequence(key);
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused ? focused : window.get(), Qt::Key(sequence[0].key()),
                        sequence[0].keyboardModifiers());
    }
}

void TestViewComfort::restartWindow()
{
    window.reset();
    window = std::make_unique<Quadrotag>();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

QColor TestViewComfort::shownAt(const QPoint& imagePixel) const
{
    const QPoint onCanvas = canvas()->viewTransform().toCanvas(imagePixel).toPoint();
    return canvas()->grab().toImage().pixelColor(onCanvas);
}

void TestViewComfort::canvasKeysChangeBrightnessAndContrast_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("brightness");
    QTest::addColumn<int>("contrast");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("focus");
    QTest::newRow("B") << "B" << 10 << 0 << "Brightness +10 %, contrast 0 %"
                       << "canvas";
    // The keys work without a click on the canvas first, whatever had the keyboard last.
    QTest::newRow("B as the image is shown") << "B" << 10 << 0 << "Brightness +10 %, contrast 0 %"
                                             << "as opened";
    QTest::newRow("B twice, H as the image is shown")
        << "B, B, H" << 20 << 0 << "Brightness +20 %, contrast 0 %"
        << "as opened";
    QTest::newRow("Shift+C after a click in the tag table")
        << "Shift+C" << 0 << -10 << "Brightness 0 %, contrast -10 %"
        << "tag table clicked";
    QTest::newRow("H after a click in the tag table") << "H" << 0 << 0 << ""
                                                      << "tag table clicked";
    QTest::newRow("C after the finder closed") << "C" << 0 << 10 << "Brightness 0 %, contrast +10 %"
                                               << "finder closed";
    QTest::newRow("Shift+B, H after the dialog closed")
        << "Shift+B, H" << -10 << 0 << "Brightness -10 %, contrast 0 %"
        << "dialog closed";
    // A key freed in the dialog reaches the canvas, never the style box.
    QTest::newRow("Down freed, B after Keyboard Shortcuts closed")
        << "Down, B" << 10 << 0 << "Brightness +10 %, contrast 0 %"
        << "shortcuts closed";
    QTest::newRow("Shift+B") << "Shift+B" << -10 << 0 << "Brightness -10 %, contrast 0 %"
                             << "canvas";
    QTest::newRow("C") << "C" << 0 << 10 << "Brightness 0 %, contrast +10 %"
                       << "canvas";
    QTest::newRow("Shift+C") << "Shift+C" << 0 << -10 << "Brightness 0 %, contrast -10 %"
                             << "canvas";
    QTest::newRow("up and down") << "B, B, C, Shift+B" << 10 << 10
                                 << "Brightness +10 %, contrast +10 %"
                                 << "canvas";
    QTest::newRow("Ctrl+B resets") << "B, Shift+C, Ctrl+B" << 0 << 0 << ""
                                   << "canvas";
    QTest::newRow("held at the top")
        << "B, B, B, B, B, B, B, B, B, B, B" << 100 << 0 << "Brightness +100 %, contrast 0 %"
        << "canvas";
}

void TestViewComfort::canvasKeysChangeBrightnessAndContrast()
{
    QFETCH(QString, keys);
    QFETCH(int, brightness);
    QFETCH(int, contrast);
    QFETCH(QString, shown);
    QFETCH(QString, focus);
    const SettingsCleared cleared;
    openBatch(batch);
    const QStringList pressed = keys.split(QStringLiteral(", "));
    pressAfter(focus, pressed);
    QCOMPARE(canvas()->viewAdjustment(), (ViewAdjustment{brightness, contrast}));
    QCOMPARE(canvas()->areShapesHidden(), pressed.count(QStringLiteral("H")) % 2 == 1);
    QCOMPARE(styleChooser()->currentIndex(), 0);
    QLabel* label = statusLabel("adjustmentLabel");
    QVERIFY(label);
    QCOMPARE(label->isVisible(), !shown.isEmpty());
    if (!shown.isEmpty())
        QCOMPARE(label->text(), shown);
}

void TestViewComfort::lettersTypedIntoTheFinderStayThere_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("tag finder") << "finder";
    QTest::newRow("Images filter") << "filter";
}

// Letters and digits typed into a text field are text, never a canvas key.
void TestViewComfort::lettersTypedIntoTheFinderStayThere()
{
    QFETCH(QString, field);
    const SettingsCleared cleared;
    openBatch(batch);
    if (field == "finder") {
        pressKey(Qt::Key_T, Qt::ControlModifier);
    } else {
        auto* filter = window->findChild<QLineEdit*>(QStringLiteral("filterField"));
        QVERIFY(filter);
        filter->setFocus(Qt::MouseFocusReason);
    }
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("bcHB12"));
    QCOMPARE(qobject_cast<QLineEdit*>(QApplication::focusWidget())->text(), QString("bcHB12"));
    QCOMPARE(canvas()->viewAdjustment(), ViewAdjustment());
    QVERIFY(!canvas()->areShapesHidden());
}

// The test images are grey 128 all over: 30 % brighter shows 166.
void TestViewComfort::brightnessReachesTheScreenOnlyAndStays()
{
    const SettingsCleared cleared;
    const QByteArray imageBefore = fileBytes(pathOf("a.jpg"));
    openBatch(batch);
    drawSquare(20, 20, 50);
    clickTag(0, 0);
    const ImageAnnotation drawn = annotation();
    for (int press = 0; press < 3; ++press)
        pressOnCanvas(QKeySequence(Qt::Key_B));
    QVERIFY(std::abs(shownAt({300, 200}).red() - 166) <= 2);

    pressKey(Qt::Key_Down);
    QCOMPARE(fileBytes(pathOf("a.lbl")), bytesOf(drawn));
    QCOMPARE(fileBytes(pathOf("a.jpg")), imageBefore);
    QCOMPARE(canvas()->viewAdjustment(), (ViewAdjustment{30, 0}));
    QVERIFY(std::abs(shownAt({300, 200}).red() - 166) <= 2);

    restartWindow();
    QCOMPARE(canvas()->viewAdjustment(), (ViewAdjustment{30, 0}));
    QVERIFY(statusLabel("adjustmentLabel")->isVisible());
    openBatch(batch);
    QVERIFY(std::abs(shownAt({300, 200}).red() - 166) <= 2);
}

void TestViewComfort::dialogSlidersAndResetFollowTheKeys()
{
    const SettingsCleared cleared;
    openBatch(batch);
    pressOnCanvas(QKeySequence(Qt::Key_C));
    QAction* open = menuAction(QStringLiteral("Brightness and Contrast…"));
    QVERIFY(open);
    open->trigger();
    BrightnessDialog* dialog = window->findChild<BrightnessDialog*>();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QString("Brightness and Contrast"));
    QCOMPARE(dialog->contrastSlider().value(), 10);

    dialog->brightnessSlider().setValue(-40);
    QCOMPARE(canvas()->viewAdjustment(), (ViewAdjustment{-40, 10}));
    pressOnCanvas(QKeySequence(Qt::Key_B));
    QCOMPARE(dialog->brightnessSlider().value(), -30);
    QTest::mouseClick(&dialog->resetButton(), Qt::LeftButton);
    QCOMPARE(canvas()->viewAdjustment(), ViewAdjustment());
    QCOMPARE(dialog->brightnessSlider().value(), 0);
    QCOMPARE(dialog->contrastSlider().value(), 0);
}

void TestViewComfort::hiddenShapesStayHiddenAcrossDownAndDrawing()
{
    openBatch(batch);
    drawSquare(20, 20, 50);
    QLabel* label = statusLabel("hiddenLabel");
    QVERIFY(label && !label->isVisible());
    pressOnCanvas(QKeySequence(Qt::Key_H));
    QVERIFY(canvas()->areShapesHidden());
    QVERIFY(label->isVisible());
    QCOMPARE(label->text(), QString("Shapes hidden"));

    pressKey(Qt::Key_Down);
    QVERIFY(canvas()->areShapesHidden());
    QVERIFY(label->isVisible());
    // A shape drawn now would be out of sight the moment it is added.
    drawSquare(100, 100, 40);
    QVERIFY(annotation().labels.empty());
    QCOMPARE(status(), QString("Shapes are hidden: press H to show them before editing"));

    pressOnCanvas(QKeySequence(Qt::Key_H));
    QVERIFY(!canvas()->areShapesHidden());
    QVERIFY(!label->isVisible());
}

void TestViewComfort::pastesTheCopiedShapeWithItsTags_data()
{
    QTest::addColumn<bool>("nextImage");
    QTest::addColumn<std::size_t>("shapesAfterPaste");
    QTest::newRow("same image") << false << std::size_t(2);
    QTest::newRow("next image") << true << std::size_t(1);
}

void TestViewComfort::pastesTheCopiedShapeWithItsTags()
{
    QFETCH(bool, nextImage);
    QFETCH(std::size_t, shapesAfterPaste);
    openBatch(batch);
    drawSquare(20, 20, 50);
    clickTag(0, 0);
    clickTag(0, 3);
    const Label copied = annotation().labels.front();
    pressKey(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(status(), QString("Shape copied"));
    if (nextImage)
        pressKey(Qt::Key_Down);
    const int stepsBefore = int(window->editHistory().count());

    pressKey(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(status(), QString("Shape pasted"));
    QCOMPARE(annotation().labels.size(), shapesAfterPaste);
    const Label& pasted = annotation().labels.back();
    QCOMPARE(pasted.points, copied.points);
    QCOMPARE(pasted.tags, copied.tags);
    QCOMPARE(pasted.text, copied.text);
    checkActiveShape(int(shapesAfterPaste) - 1);
    QCOMPARE(int(window->editHistory().count()), stepsBefore + 1);

    pressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(annotation().labels.size(), shapesAfterPaste - 1);
}

void TestViewComfort::pastedShapeLandsOnTheImage()
{
    openBatch(batch);
    putOnClipboard(QString::fromLatin1(shapeMimeType),
                   R"({"corners":[[380,250],[450,250],[450,320],[380,320]],"tags":[]})");
    pressKey(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(annotation().labels.size(), std::size_t(1));
    // The 400 x 300 image ends at pixel (399, 299); the shape moves in whole.
    QCOMPARE(annotation().labels[0].points,
             (Points{{329, 229}, {399, 229}, {399, 299}, {329, 299}}));
}

void TestViewComfort::pasteLeavesOffTagsThisVocabularyLacks()
{
    openBatch(batch);
    putOnClipboard(
        QString::fromLatin1(shapeMimeType),
        R"({"corners":[[10,10],[60,10],[60,60],[10,60]],"tags":[)"
        R"({"row":0,"column":0,"caption":"Ottoman"},{"row":3,"column":3,"caption":"S4"}]})");
    pressKey(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(status(), QString("Shape pasted without 1 tag(s) this vocabulary does not have"));
    QCOMPARE(annotation().labels.size(), std::size_t(1));
    QCOMPARE(annotation().labels[0].tags, (Cells{{0, 3}}));
}

void TestViewComfort::pasteRefusesOtherClipboardContent_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("note");
    const QString shapes = QString::fromLatin1(shapeMimeType);
    QTest::newRow("text") << "text/plain" << QByteArray("Sofa") << "The clipboard holds no shape";
    QTest::newRow("an empty clipboard") << "" << QByteArray() << "The clipboard holds no shape";
    QTest::newRow("a damaged shape")
        << shapes << QByteArray(R"({"corners":[[1,)") << "The clipboard holds no shape";
    QTest::newRow("a crossed shape")
        << shapes << QByteArray(R"({"corners":[[10,10],[60,60],[60,10],[10,60]],"tags":[]})")
        << "The copied shape does not fit on this image";
    QTest::newRow("a shape folded by the border")
        << shapes << QByteArray(R"({"corners":[[0,0],[1000,500],[0,1000],[500,500]],"tags":[]})")
        << "The copied shape does not fit on this image";
}

void TestViewComfort::pasteRefusesOtherClipboardContent()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, note);
    openBatch(batch);
    drawSquare(20, 20, 50);
    const ImageAnnotation before = annotation();
    const int stepsBefore = int(window->editHistory().count());
    if (type.isEmpty())
        QGuiApplication::clipboard()->clear();
    else
        putOnClipboard(type, bytes);
    pressKey(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(status(), note);
    QVERIFY(annotation().labels == before.labels);
    QCOMPARE(int(window->editHistory().count()), stepsBefore);
}

void TestViewComfort::darkPaletteIsRemembered()
{
    const SettingsCleared cleared;
    const QColor lightWindow = QApplication::palette().color(QPalette::Window);
    QAction* dark = menuAction(QStringLiteral("Dark Palette"));
    QVERIFY(dark && dark->isCheckable() && !dark->isChecked());
    dark->trigger();
    QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 80);
    QCOMPARE(QApplication::style()->name(), QString("fusion"));
    QVERIFY(table()->palette().color(QPalette::Base).lightness() < 80);

    restartWindow();
    dark = menuAction(QStringLiteral("Dark Palette"));
    QVERIFY(dark->isChecked());
    QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 80);
    // The tag table, with its style sheet, follows as well.
    QVERIFY(table()->palette().color(QPalette::Base).lightness() < 80);
    dark->trigger();
    QCOMPARE(QApplication::palette().color(QPalette::Window), lightWindow);
    QVERIFY(table()->palette().color(QPalette::Base).lightness() > 200);

    restartWindow();
    QVERIFY(!menuAction(QStringLiteral("Dark Palette"))->isChecked());
    QCOMPARE(QApplication::palette().color(QPalette::Window), lightWindow);
}

QTEST_MAIN(TestViewComfort)
#include "test_viewcomfort.moc"
