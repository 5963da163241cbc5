#include "batchpanel.h"

#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

BatchPanel::BatchPanel() : imagesDock(QStringLiteral("Images")) {}

void BatchPanel::install(QMainWindow* window, QMenu* menu, QStatusBar* statusBar)
{
    imagesDock.setObjectName(QStringLiteral("imagesDock"));
    imagesView.setObjectName(QStringLiteral("imagesView"));
    imagesView.setModel(&batchList);
    // Rows of one height let a list of thousands lay itself out without measuring each.
    imagesView.setUniformItemSizes(true);
    imagesView.setEditTriggers(QAbstractItemView::NoEditTriggers);
    imagesDock.setWidget(&imagesView);
    window->addDockWidget(Qt::RightDockWidgetArea, &imagesDock);
    // Hidden until asked for, so the window looks as it always has.
    imagesDock.hide();
    menu->addAction(imagesDock.toggleViewAction());

    progressLabel.setObjectName(QStringLiteral("progressLabel"));
    statusBar->addPermanentWidget(&progressLabel);
    progressLabel.hide();

    const auto chosen = [this](const QModelIndex& index) { emit imageChosen(index.row()); };
    connect(&imagesView, &QListView::clicked, this, chosen);
    connect(&imagesView, &QListView::activated, this, chosen);
}

void BatchPanel::setBatch(const QStringList& imagePaths, const std::vector<bool>& labelled)
{
    batchList.setBatch(imagePaths, labelled);
    updateProgress();
}

void BatchPanel::setLabelled(int row, bool labelled)
{
    batchList.setLabelled(row, labelled);
    updateProgress();
}

void BatchPanel::markLabelled(const QStringList& labelPaths, const QString& labelPath)
{
    for (int i = 0; i < labelPaths.size(); ++i)
        if (labelPaths[i] == labelPath)
            batchList.setLabelled(i, true);
    updateProgress();
}

void BatchPanel::showRow(int row)
{
    batchList.setShownRow(row);
    followShownImage();
}

void BatchPanel::followShownImage()
{
    const QModelIndex shown = batchList.index(batchList.shownRow());
    imagesView.setCurrentIndex(shown);
    imagesView.scrollTo(shown);
}

void BatchPanel::updateProgress()
{
    const int count = batchList.rowCount();
    progressLabel.setText(
        QStringLiteral("%1 of %2 labelled").arg(batchList.labelledCount()).arg(count));
    progressLabel.setVisible(count > 0);
}
