#include "viewcomfort.h"

#include "imageviewer.h"
#include "viewsettings.h"

#include <QMenu>
#include <QStatusBar>

ViewComfort::ViewComfort(ImageViewer& viewer)
    : viewer(viewer), dialogAction(QStringLiteral("Brightness and Contrast…")),
      resetAction(QStringLiteral("Reset Brightness and Contrast")),
      hideAction(QStringLiteral("Hide Shapes")), hiddenLabel(QStringLiteral("Shapes hidden"))
{
}

void ViewComfort::install(QWidget* mainWindow, QMenu* menu, QStatusBar* statusBar)
{
    window = mainWindow;
    // The window's keyboard starts at the canvas, so a closing dialog or box gives it back there
    // rather than to the first field of the side panel.
    viewer.setFocus(Qt::OtherFocusReason);
    addCanvasKey(QStringLiteral("Brighter"), QKeySequence(Qt::Key_B),
                 [this] { stepBrightness(1); });
    addCanvasKey(QStringLiteral("Darker"), QKeySequence(Qt::SHIFT | Qt::Key_B),
                 [this] { stepBrightness(-1); });
    addCanvasKey(QStringLiteral("More Contrast"), QKeySequence(Qt::Key_C),
                 [this] { stepContrast(1); });
    addCanvasKey(QStringLiteral("Less Contrast"), QKeySequence(Qt::SHIFT | Qt::Key_C),
                 [this] { stepContrast(-1); });
    dialogAction.setObjectName(QStringLiteral("actionBrightness_and_Contrast"));
    resetAction.setObjectName(QStringLiteral("actionReset_Brightness_and_Contrast"));
    hideAction.setObjectName(QStringLiteral("actionHide_Shapes"));

    hideAction.setCheckable(true);
    hideAction.setShortcut(QKeySequence(Qt::Key_H));
    hideAction.setShortcutContext(Qt::WindowShortcut);
    viewer.addAction(&hideAction);
    connect(&hideAction, &QAction::triggered, this, &ViewComfort::toggleShapesHidden);

    resetAction.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(&resetAction, &QAction::triggered, this, [this] { setAdjustment(ViewAdjustment()); });
    connect(&dialogAction, &QAction::triggered, this, &ViewComfort::openDialog);
    menu->addAction(&dialogAction);
    menu->addAction(&resetAction);
    menu->addAction(&hideAction);

    adjustmentLabel.setObjectName(QStringLiteral("adjustmentLabel"));
    hiddenLabel.setObjectName(QStringLiteral("hiddenLabel"));
    statusBar->addPermanentWidget(&hiddenLabel);
    statusBar->addPermanentWidget(&adjustmentLabel);
    setAdjustment(storedViewAdjustment());
    showState();
}

void ViewComfort::setAdjustment(const ViewAdjustment& adjustment)
{
    current = adjustment;
    viewer.imageWidget()->setViewAdjustment(current);
    storeViewAdjustment(current);
    if (adjustmentDialog)
        adjustmentDialog->showAdjustment(current);
    showState();
}

void ViewComfort::toggleShapesHidden()
{
    ImageWidget* canvas = viewer.imageWidget();
    canvas->setShapesHidden(!canvas->areShapesHidden());
    hideAction.setChecked(canvas->areShapesHidden());
    showState();
    emit sglShapesHiddenChanged(canvas->areShapesHidden());
}

void ViewComfort::addCanvasKey(const QString& name, const QKeySequence& key,
                               const std::function<void()>& step)
{
    auto* action = new QAction(name, &viewer);
    action->setObjectName(QStringLiteral("action") +
                          QString(name).replace(QLatin1Char(' '), QLatin1Char('_')));
    action->setShortcut(key);
    // Anywhere in the window, the canvas clicked or not: a text field with the keyboard
    // overrides a shortcut for the letters it takes, so they still reach the finder.
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, step);
    viewer.addAction(action);
}

void ViewComfort::stepBrightness(int steps)
{
    setAdjustment(current.withBrightness(current.brightness + steps * ViewAdjustment::step));
}

void ViewComfort::stepContrast(int steps)
{
    setAdjustment(current.withContrast(current.contrast + steps * ViewAdjustment::step));
}

void ViewComfort::openDialog()
{
    if (!adjustmentDialog) {
        adjustmentDialog = new BrightnessDialog(window);
        connect(adjustmentDialog, &BrightnessDialog::adjustmentChosen, this,
                &ViewComfort::setAdjustment);
    }
    adjustmentDialog->showAdjustment(current);
    adjustmentDialog->show();
    adjustmentDialog->raise();
    adjustmentDialog->activateWindow();
}

void ViewComfort::showState()
{
    adjustmentLabel.setText(adjustmentText(current));
    adjustmentLabel.setVisible(!current.isNeutral());
    hiddenLabel.setVisible(viewer.imageWidget()->areShapesHidden());
}
