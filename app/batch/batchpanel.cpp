#include "batchpanel.h"

#include "taglayout.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {
// As long as the window's other notes.
const int noteMilliseconds = 5000;
} // namespace

BatchPanel::BatchPanel()
    : filter(batchList), imagesDock(QStringLiteral("Images")),
      focusFilterAction(QStringLiteral("Filter Images")),
      nextListedAction(QStringLiteral("Next Listed Image")),
      previousListedAction(QStringLiteral("Previous Listed Image"))
{
}

void BatchPanel::install(QMainWindow* window, QMenu* menu, QStatusBar* bar, QWidget* keysTarget)
{
    statusBar = bar;
    canvas = keysTarget;
    imagesDock.setObjectName(QStringLiteral("imagesDock"));
    imagesView.setObjectName(QStringLiteral("imagesView"));
    imagesView.setModel(&filter);
    imagesView.setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* dockContents = new QWidget;
    auto* layout = new QVBoxLayout(dockContents);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildFilterBar());
    layout->addWidget(&imagesView);
    imagesDock.setWidget(dockContents);
    window->addDockWidget(Qt::RightDockWidgetArea, &imagesDock);
    // Hidden until asked for, so the window looks as it always has.
    imagesDock.hide();
    imagesDock.toggleViewAction()->setObjectName(QStringLiteral("actionImages"));
    menu->addAction(imagesDock.toggleViewAction());
    addActions(menu);

    progressLabel.setObjectName(QStringLiteral("progressLabel"));
    statusBar->addPermanentWidget(&progressLabel);
    progressLabel.hide();

    // A list filtered again starts without a current row: the image on screen is marked again.
    connect(&filter, &QAbstractItemModel::modelReset, this, &BatchPanel::followShownImage);
    connect(&imagesView, &QListView::clicked, this, [this](const QModelIndex& index) {
        emit imageChosen(filter.mapToSource(index).row());
    });
    connect(&imagesView, &QListView::activated, this, [this](const QModelIndex& index) {
        emit imageEntered(filter.mapToSource(index).row());
    });
}

QWidget* BatchPanel::buildFilterBar()
{
    filterField.setObjectName(QStringLiteral("filterField"));
    filterField.setPlaceholderText(QStringLiteral("Filter"));
    filterField.setClearButtonEnabled(true);
    stateChooser.setObjectName(QStringLiteral("stateChooser"));
    stateChooser.addItems({QStringLiteral("All"), QStringLiteral("Unlabelled"),
                           QStringLiteral("Proposed"), QStringLiteral("Labelled"),
                           QStringLiteral("Empty")});
    stateChooser.addItems({QStringLiteral("Unreviewed"), QStringLiteral("Accepted"),
                           QStringLiteral("Rejected"), QStringLiteral("Changed Since Review")});
    connect(&filterField, &QLineEdit::textChanged, &filter, &BatchFilter::setText);
    connect(&filterField, &QLineEdit::returnPressed, this, &BatchPanel::filterEntered);
    connect(&stateChooser, &QComboBox::currentIndexChanged, this,
            [this](int index) { filter.setState(BatchFilter::State(index)); });
    // Esc empties the field while it has the keys, before the canvas's Esc sees them.
    filterField.installEventFilter(this);

    auto* bar = new QWidget;
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&filterField, 1);
    layout->addWidget(&stateChooser);
    return bar;
}

bool BatchPanel::eventFilter(QObject* watched, QEvent* event)
{
    const bool escape =
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    if (watched != &filterField || !escape)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress)
        filterField.clear();
    event->accept();
    return true;
}

void BatchPanel::addActions(QMenu* menu)
{
    focusFilterAction.setObjectName(QStringLiteral("actionFilter_Images"));
    focusFilterAction.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    nextListedAction.setObjectName(QStringLiteral("actionNext_Listed_Image"));
    nextListedAction.setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Down));
    previousListedAction.setObjectName(QStringLiteral("actionPrevious_Listed_Image"));
    previousListedAction.setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Up));
    menu->addActions({&focusFilterAction, &nextListedAction, &previousListedAction});
    connect(&focusFilterAction, &QAction::triggered, this, &BatchPanel::focusFilter);
    connect(&nextListedAction, &QAction::triggered, this, [this] { chooseListed(1); });
    connect(&previousListedAction, &QAction::triggered, this, [this] { chooseListed(-1); });
}

void BatchPanel::setBatch(const BatchFiles& batch, const LabelPaths& labelPaths)
{
    std::vector<bool> sharers(std::size_t(batch.imagePaths.size()), false);
    for (auto row = batch.sharedLabels.cbegin(); row != batch.sharedLabels.cend(); ++row)
        sharers[std::size_t(row.key())] = true;
    for (auto row = batch.keepersOutside.cbegin(); row != batch.keepersOutside.cend(); ++row)
        sharers[std::size_t(row.key())] = true;
    batchList.setBatch(batch.imagePaths, batch.labelled, batch.proposed, sharers);
    filter.setLabelPaths(labelPaths);
    updateProgress();
}

void BatchPanel::setTagCaptions(const TagLayout& layout)
{
    std::vector<BatchFilter::TagCaption> captions;
    for (int row = 0; row < layout.rowCount(); ++row)
        for (int column = 0; column < layout.columnCount(); ++column)
            if (layout.isTag(row, column))
                captions.push_back({{row, column}, layout.cellCaption(row, column)});
    filter.setTagCaptions(std::move(captions));
}

void BatchPanel::setLabelled(int row, bool labelled)
{
    batchList.setLabelled(row, labelled);
    updateProgress();
}

void BatchPanel::setHolders(const std::vector<QString>& holders)
{
    batchList.setHolders(holders);
}

void BatchPanel::markLabelled(const LabelPaths& labelPaths, const QString& labelPath)
{
    for (const int row : labelPaths.rowsOf(labelPath)) {
        filter.forgetContents(row);
        batchList.setLabelled(row, true);
        batchList.forgetReviewState(row);
    }
    updateProgress();
}

void BatchPanel::remark(const std::vector<FolderStamps::Change>& changes)
{
    for (const FolderStamps::Change& change : changes) {
        filter.forgetContents(change.row);
        batchList.setLabelled(change.row, change.labelled);
        batchList.forgetReviewState(change.row);
    }
    if (!changes.empty())
        updateProgress();
}

void BatchPanel::markReviewed(int row)
{
    // The row leaves or joins what the state filter shows as its data changes.
    batchList.forgetReviewState(row);
}

void BatchPanel::goToNextListed()
{
    chooseListed(1);
}

void BatchPanel::showRow(int row)
{
    batchList.setShownRow(row);
    followShownImage();
}

void BatchPanel::followShownImage()
{
    const QModelIndex shown = filter.mapFromSource(batchList.index(batchList.shownRow()));
    imagesView.setCurrentIndex(shown);
    // Scrolling lays the whole list out, which for a million rows takes longer than the step
    // itself; a hidden list is scrolled when it is shown.
    if (imagesView.isVisible())
        imagesView.scrollTo(shown);
}

void BatchPanel::chooseListed(int step, bool entered)
{
    const int row = filter.listedRowFrom(batchList.shownRow(), step);
    if (row >= 0 && entered)
        emit imageEntered(row);
    else if (row >= 0)
        emit imageChosen(row);
    else if (batchList.rowCount() > 0)
        statusBar->showMessage(step > 0 ? QStringLiteral("No listed image after this one")
                                        : QStringLiteral("No listed image before this one"),
                               noteMilliseconds);
}

void BatchPanel::filterEntered()
{
    chooseListed(1, true);
    canvas->setFocus();
}

void BatchPanel::focusFilter()
{
    imagesDock.show();
    imagesDock.raise();
    filterField.setFocus();
    filterField.selectAll();
}

void BatchPanel::updateProgress()
{
    const int count = batchList.rowCount();
    const int proposed = batchList.proposedCount();
    // Images that share another's label file can never be labelled, so they are not counted.
    QString text = QStringLiteral("%1 of %2 labelled")
                       .arg(batchList.labelledCount())
                       .arg(batchList.labellableCount());
    if (proposed > 0)
        text += QStringLiteral(", %1 proposed").arg(proposed);
    progressLabel.setText(text);
    progressLabel.setVisible(count > 0);
}
