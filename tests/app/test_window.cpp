#include "quadrotag.h"

#include <QtTest>

#include <QDockWidget>

#include <algorithm>

#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

class TestWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString previousDirectory;

private slots:
    void initTestCase()
    {
        // Started where there is no vocabulary: the window must open all the same.
        previousDirectory = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(previousDirectory); }

    void windowHasTitleSizeAndFormObjects()
    {
        Quadrotag window;
        // The placeholder shows "*" while the image on screen has unsaved edits.
        QCOMPARE(window.windowTitle(), QString("Quadrotag[*]"));
        window.winId();
        QCOMPARE(window.windowHandle()->title(), QString("Quadrotag"));
        QCOMPARE(window.size(), QSize(1095, 744));
        QCOMPARE(window.objectName(), QString("QuadrotagClass"));
        for (const char* name :
             {"centralWidget", "menuBar", "menuFile", "menuFunction", "mainToolBar", "statusBar"})
            QVERIFY2(window.findChild<QObject*>(name), name);
        const auto* toolBar = window.findChild<QToolBar*>("mainToolBar");
        QVERIFY(toolBar->actions().isEmpty());
        QCOMPARE(window.toolBarArea(const_cast<QToolBar*>(toolBar)), Qt::TopToolBarArea);
    }

    void formNamesOnlyAnUnnamedWindow()
    {
        QMainWindow named;
        named.setObjectName("mine");
        Ui::QuadrotagClass form;
        form.setupUi(&named);
        QCOMPARE(named.objectName(), QString("mine"));

        QMainWindow unnamed;
        Ui::QuadrotagClass otherForm;
        otherForm.setupUi(&unnamed);
        QCOMPARE(unnamed.objectName(), QString("QuadrotagClass"));
    }

    void menusHoldTheActionsInOrderWithShortcuts()
    {
        Quadrotag window;
        const QList<QAction*> menus = window.menuBar()->actions();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus[0]->text(), QString("File"));
        QCOMPARE(menus[1]->text(), QString("Function"));

        const QList<QPair<QString, QString>> fileActions = {
            {"Open Images", "Ctrl+O"}, {"Save Label", "Ctrl+S"}, {"Open Folder", "Ctrl+Shift+O"},
            {"Open Project…", ""},     {"Recent Projects", ""},  {"Dataset Report…", ""}};
        const QList<QPair<QString, QString>> functionActions = {
            {"Next Image", "Down"},
            {"Previous Image", "Up"},
            {"Delete Shape", "Del"},
            {"Text ON/OFF", "Space"},
            {"Undo", "Ctrl+Z"},
            {"Redo", "Ctrl+Shift+Z"},
            {"Next Unlabelled Image", "Ctrl+Down"},
            {"Zoom In", "Ctrl++"},
            {"Zoom Out", "Ctrl+-"},
            {"Original Size", "Ctrl+0"},
            {"Fit to Window", "Ctrl+F"},
            {"Cancel Shape", "Esc"},
            {"Remove Last Corner", "Backspace"},
            {"Repeat Shapes of Previous Image", "Ctrl+R"},
            {"Find Tag", "Ctrl+T"},
            {"Images", ""},
            {"Filter Images", "Ctrl+L"},
            {"Next Listed Image", "Ctrl+Shift+Down"},
            {"Previous Listed Image", "Ctrl+Shift+Up"},
            {"Brightness and Contrast…", ""},
            {"Reset Brightness and Contrast", "Ctrl+B"},
            {"Hide Shapes", "H"},
            {"Dark Palette", ""},
            {"Crosshair", "X"},
            {"Copy Shape", "Ctrl+C"},
            {"Paste Shape", "Ctrl+V"},
            {"Accept Image", "Ctrl+Shift+A"},
            {"Reject Image", "Ctrl+Shift+R"},
            {"Assist Drawing", "Ctrl+G"},
            {"Keyboard Shortcuts…", "Ctrl+K"}};
        const QList<QList<QPair<QString, QString>>> expected = {fileActions, functionActions};
        for (int m = 0; m < 2; ++m) {
            const QList<QAction*> actions = menus[m]->menu()->actions();
            QCOMPARE(actions.size(), expected[m].size());
            for (int i = 0; i < actions.size(); ++i) {
                QCOMPARE(actions[i]->text(), expected[m][i].first);
                QCOMPARE(actions[i]->shortcut(), QKeySequence(expected[m][i].second));
            }
        }
        const QList<QKeySequence> redoKeys = window.findChild<QAction*>("actionRedo")->shortcuts();
        QVERIFY(redoKeys.contains(QKeySequence("Ctrl+Y")));
        const QList<QAction*> zoomIn = window.findChildren<QAction*>("actionZoom_In");
        QCOMPARE(zoomIn.size(), 1);
        QCOMPARE(zoomIn[0]->shortcuts(),
                 QList<QKeySequence>({QKeySequence("Ctrl++"), QKeySequence("Ctrl+=")}));
    }

    void statusBarShowsZoomBesideTheMessage()
    {
        Quadrotag window;
        const QList<QLabel*> labels = window.statusBar()->findChildren<QLabel*>();
        const auto zoom = std::find_if(labels.begin(), labels.end(),
                                       [](QLabel* label) { return label->text() == "100 %"; });
        QVERIFY(zoom != labels.end());
        window.statusBar()->showMessage("1/3  a.jpg");
        QCOMPARE(window.statusBar()->currentMessage(), QString("1/3  a.jpg"));
        window.findChild<ImageViewer*>()->slotZoomOut();
        QCOMPARE((*zoom)->text(), QString("80 %"));
    }

    void actionsAreCreatedInFormOrder()
    {
        Quadrotag window;
        QStringList names;
        for (const QAction* action : window.findChildren<QAction*>(Qt::FindDirectChildrenOnly))
            if (action->objectName().startsWith("action"))
                names << action->objectName();
        QCOMPARE(names,
                 QStringList({"actionOpen_Images", "actionNext_Image", "actionPrevious_Image",
                              "actionSave_Label", "actionDel_Shape", "actionText_ON_OFF",
                              "actionUndo", "actionRedo", "actionOpen_Folder",
                              "actionNext_Unlabelled_Image", "actionZoom_In", "actionZoom_Out",
                              "actionOriginal_Size", "actionFit_to_Window", "actionCancel_Shape",
                              "actionRemove_Last_Corner", "actionRepeat_Shapes", "actionFind_Tag",
                              "actionOpen_Project", "actionDataset_Report",
                              // The nudges come after the form's, named for the key settings.
                              "actionNudge_Left", "actionNudge_Left_by_Ten", "actionNudge_Right",
                              "actionNudge_Right_by_Ten", "actionNudge_Up", "actionNudge_Up_by_Ten",
                              "actionNudge_Down", "actionNudge_Down_by_Ten"}));
    }

    void sidePanelHasStyleChooserAndRedCaption()
    {
        Quadrotag window;
        auto* chooser = window.findChild<QComboBox*>();
        QVERIFY(chooser);
        QCOMPARE(chooser->count(), 16);
        QCOMPARE(chooser->itemText(0), QString("None"));
        QCOMPARE(chooser->itemText(15), QString("Modern Brief"));
        QCOMPARE(chooser->currentIndex(), 0);

        QLabel* caption = nullptr;
        for (QLabel* label : window.findChildren<QLabel*>())
            if (label->text().contains("Furnishing Style: "))
                caption = label;
        QVERIFY(caption);
        QCOMPARE(caption->text(), QString("<font color='red'>Furnishing Style: </font>"));
        for (const QFont& font : {caption->font(), chooser->font()}) {
            QVERIFY(font.bold());
            QCOMPARE(font.pointSize(), 12);
            QCOMPARE(font.family(), QString("Arial"));
        }
    }

    void splitterHoldsPanelThenCanvasAndCannotCollapse()
    {
        Quadrotag window;
        auto* splitter = window.findChild<QSplitter*>();
        QVERIFY(splitter);
        QCOMPARE(splitter->orientation(), Qt::Horizontal);
        QCOMPARE(splitter->count(), 2);
        QVERIFY(splitter->widget(0)->findChild<LabelViewer*>());
        QVERIFY(qobject_cast<ImageViewer*>(splitter->widget(1)));
        QVERIFY(!splitter->childrenCollapsible());
    }

    void withoutVocabularyTheTableIsEmpty()
    {
        Quadrotag window;
        auto* table = window.findChild<LabelViewer*>();
        QCOMPARE(table->columnCount(), 6);
        QCOMPARE(table->rowCount(), 1);
        QVERIFY(!table->item(0, 0));
        QVERIFY(!QFile::exists("index2tag.csv"));
    }

    void imagesListAndProgressAreHiddenUntilWanted()
    {
        Quadrotag window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* dock = window.findChild<QDockWidget*>("imagesDock");
        QVERIFY(dock);
        QCOMPARE(dock->windowTitle(), QString("Images"));
        QVERIFY(dock->widget()->findChild<QListView*>("imagesView"));
        QVERIFY(!dock->isVisible());
        QVERIFY(!window.findChild<QLabel*>("progressLabel")->isVisible());

        QAction* toggle = dock->toggleViewAction();
        toggle->trigger();
        QVERIFY(dock->isVisible());
        QCOMPARE(window.dockWidgetArea(dock), Qt::RightDockWidgetArea);
        toggle->trigger();
        QVERIFY(!dock->isVisible());
    }

    void actionsWithoutBatchChangeNothing()
    {
        Quadrotag window;
        window.findChild<QAction*>("actionNext_Image")->trigger();
        window.findChild<QAction*>("actionPrevious_Image")->trigger();
        window.findChild<QAction*>("actionSave_Label")->trigger();
        window.findChild<QAction*>("actionDel_Shape")->trigger();
        QVERIFY(window.statusBar()->currentMessage().isEmpty());
        QVERIFY(window.imageAnnotation().labels.empty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
