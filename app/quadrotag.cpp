#include "quadrotag.h"

#include "annotationchange.h"
#include "annotationedit.h"
#include "batchfiles.h"
#include "batchpaths.h"
#include "geometry.h"
#include "labelfile.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QSplitter>
#include <QStatusBar>

#include <algorithm>
#include <cmath>
#include <iostream>

namespace {
// Older steps are dropped, so the history stays small through a long session.
const int undoLimit = 200;
// Long enough to be read; the batch position comes back afterwards.
const int noteMilliseconds = 5000;
} // namespace

Quadrotag::Quadrotag(QWidget* parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags), imageViewer(nullptr), labelViewer(nullptr),
      styleComboBox(nullptr), zoomLevel(nullptr), imagesDock(QStringLiteral("Images")),
      imagesView(nullptr), progressLabel(nullptr)
{
    ui.setupUi(this);
    buildLayout();
    labelViewer.loadTags("tags");
    connectActions();
    connectCanvasAndTable();
    connectEditHistory();
    buildBatchWidgets();
    connectZoom();
    connect(&prefetcher, &ImagePrefetcher::sglSharpImageReady, this,
            &Quadrotag::slotSharpImageReady);
    activeShape = -1;
    currentImage = 0;
}

Quadrotag::~Quadrotag() = default;

void Quadrotag::buildLayout()
{
    styleComboBox.addItems(annotation.styleNames);

    auto* styleCaption = new QLabel(QStringLiteral("<font color='red'>Furnishing Style: </font>"));
    QFont captionFont(QStringLiteral("Arial"), 12);
    captionFont.setBold(true);
    styleCaption->setFont(captionFont);
    styleComboBox.setFont(captionFont);

    auto* styleRow = new QGridLayout;
    auto* tableBox = new QGridLayout;
    auto* panelGrid = new QGridLayout;
    styleRow->addWidget(styleCaption, 0, 0, 1, 1);
    styleRow->addWidget(&styleComboBox, 0, 1, 1, 2);
    tableBox->addWidget(&labelViewer);
    panelGrid->addLayout(styleRow, 0, 0, 1, 1);
    panelGrid->addLayout(tableBox, 1, 0, 1, 1);

    auto* sidePanel = new QWidget;
    sidePanel->setLayout(panelGrid);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(sidePanel);
    splitter->addWidget(&imageViewer);
    splitter->setChildrenCollapsible(false);

    auto* centralLayout = new QGridLayout(ui.centralWidget);
    centralLayout->addWidget(splitter, 0, 0, 1, 1);
}

void Quadrotag::connectActions()
{
    connect(ui.actionOpen_Images, &QAction::triggered, this, &Quadrotag::slotOpenImages);
    connect(ui.actionNext_Image, &QAction::triggered, this, &Quadrotag::slotNextImage);
    connect(ui.actionPrevious_Image, &QAction::triggered, this, &Quadrotag::slotPreviousImage);
    connect(ui.actionSave_Label, &QAction::triggered, this, &Quadrotag::slotSave);
    connect(ui.actionDel_Shape, &QAction::triggered, this, &Quadrotag::slotDeleteShape);
    connect(ui.actionText_ON_OFF, &QAction::triggered, this, &Quadrotag::slotText_ON_OFF);
}

void Quadrotag::connectCanvasAndTable()
{
    ImageWidget* canvas = imageViewer.imageWidget();
    connect(canvas, &ImageWidget::sglShapeAdded, this, &Quadrotag::slotShapeAdded);
    connect(canvas, &ImageWidget::sglActiveShapeChanged, this, &Quadrotag::slotActiveShapeChanged);
    connect(canvas, &ImageWidget::sglShapeMoved, this, &Quadrotag::slotShapeMoved);
    connect(&labelViewer, &QTableWidget::itemClicked, this, &Quadrotag::slotLabelChanged);
    connect(canvas, &ImageWidget::sglShapeMoveFinished, this, &Quadrotag::slotShapeMoveFinished);
    connect(canvas, &ImageWidget::sglCornerMoved, this, &Quadrotag::slotCornerMoved);
    connect(ui.actionCancel_Shape, &QAction::triggered, canvas, &ImageWidget::cancelDrawing);
    connect(ui.actionRemove_Last_Corner, &QAction::triggered, canvas,
            &ImageWidget::removeLastCorner);
    connect(&styleComboBox, &QComboBox::currentIndexChanged, this, &Quadrotag::slotStyleChanged);
}

void Quadrotag::connectEditHistory()
{
    undoStack.setUndoLimit(undoLimit);
    // Ctrl+Y as well, which many operators know from other programs; a key listed
    // twice would make the shortcut ambiguous.
    QList<QKeySequence> redoKeys = {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                    QKeySequence(Qt::CTRL | Qt::Key_Y)};
    for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::Redo))
        if (!redoKeys.contains(key))
            redoKeys.append(key);
    ui.actionRedo->setShortcuts(redoKeys);
    ui.actionUndo->setShortcuts(QKeySequence::Undo);
    ui.actionUndo->setEnabled(false);
    ui.actionRedo->setEnabled(false);
    connect(ui.actionUndo, &QAction::triggered, this, &Quadrotag::slotUndo);
    connect(ui.actionRedo, &QAction::triggered, this, &Quadrotag::slotRedo);
    connect(&undoStack, &QUndoStack::canUndoChanged, ui.actionUndo, &QAction::setEnabled);
    connect(&undoStack, &QUndoStack::canRedoChanged, ui.actionRedo, &QAction::setEnabled);
    connect(&undoStack, &QUndoStack::cleanChanged, this,
            [this](bool clean) { setWindowModified(!clean); });
}

void Quadrotag::buildBatchWidgets()
{
    imagesDock.setObjectName(QStringLiteral("imagesDock"));
    imagesView.setObjectName(QStringLiteral("imagesView"));
    imagesView.setModel(&batchList);
    // Rows of one height let a list of thousands lay itself out without measuring each.
    imagesView.setUniformItemSizes(true);
    imagesView.setEditTriggers(QAbstractItemView::NoEditTriggers);
    imagesDock.setWidget(&imagesView);
    addDockWidget(Qt::RightDockWidgetArea, &imagesDock);
    // Hidden until asked for, so the window looks as it always has.
    imagesDock.hide();
    ui.menuFunction->addAction(imagesDock.toggleViewAction());

    progressLabel.setObjectName(QStringLiteral("progressLabel"));
    ui.statusBar->addPermanentWidget(&progressLabel);
    progressLabel.hide();

    connect(ui.actionOpen_Folder, &QAction::triggered, this, &Quadrotag::slotOpenFolder);
    connect(ui.actionNext_Unlabelled_Image, &QAction::triggered, this,
            &Quadrotag::slotNextUnlabelledImage);
    connect(&imagesView, &QListView::clicked, this, &Quadrotag::slotImageChosen);
    connect(&imagesView, &QListView::activated, this, &Quadrotag::slotImageChosen);
    // A note, or a menu entry passing under the mouse, clears the message; the
    // position of the image on screen comes back then.
    connect(ui.statusBar, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty() && batchList.shownRow() >= 0)
            updateStatus();
    });
}

void Quadrotag::connectZoom()
{
    // Ctrl+= too, so that zooming in needs no Shift where plus shares the key with equals.
    ui.actionZoom_In->setShortcuts(
        {ui.actionZoom_In->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    connect(ui.actionZoom_In, &QAction::triggered, &imageViewer, &ImageViewer::slotZoomIn);
    connect(ui.actionZoom_Out, &QAction::triggered, &imageViewer, &ImageViewer::slotZoomOut);
    connect(ui.actionOriginal_Size, &QAction::triggered, &imageViewer,
            &ImageViewer::slotOriginalSize);
    connect(ui.actionFit_to_Window, &QAction::triggered, &imageViewer,
            &ImageViewer::slotFitToWindow);
    connect(&imageViewer, &ImageViewer::sglZoomChanged, this, &Quadrotag::slotZoomChanged);
    ui.statusBar->addPermanentWidget(&zoomLevel);
    slotZoomChanged(imageViewer.zoom());
}

void Quadrotag::slotZoomChanged(double scale)
{
    zoomLevel.setText(QStringLiteral("%1 %").arg(std::lround(scale * 100.0)));
}

void Quadrotag::slotOpenImages()
{
    const QStringList files = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Open Images"), QDir::currentPath(), QStringLiteral("jpg(*.jpg)"));
    openImages(files);
}

void Quadrotag::openImages(const QStringList& files)
{
    // The old batch stays on screen when its image could not be saved.
    if (files.isEmpty() || !saveBeforeLeaving())
        return;
    startBatch(files, findLabelFiles(files), 0);
}

void Quadrotag::slotOpenFolder()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Open Folder"), QDir::currentPath());
    if (!folder.isEmpty())
        openFolder(folder);
}

void Quadrotag::openFolder(const QString& folder)
{
    BatchFiles batch = listFolderImages(folder);
    if (batch.imagePaths.isEmpty()) {
        showNote(QStringLiteral("No JPEG images in ") + folder);
        return;
    }
    const bool edited = !undoStack.isClean();
    if (!saveBeforeLeaving())
        return;
    // The image just saved may lie in this folder and have had no label file yet.
    if (edited)
        batch = listFolderImages(folder);
    const auto unlabelled = std::find(batch.labelled.begin(), batch.labelled.end(), false);
    const int first =
        unlabelled == batch.labelled.end() ? 0 : int(unlabelled - batch.labelled.begin());
    startBatch(batch.imagePaths, batch.labelled, first);
}

void Quadrotag::startBatch(const QStringList& files, const std::vector<bool>& labelled, int first)
{
    if (files.isEmpty())
        return;
    imagePaths = files;
    std::cout << imagePaths.size() << std::endl;
    currentImage = first;
    stepDirection = 1;
    prefetcher.clear();
    labelPaths.clear();
    for (const QString& imagePath : imagePaths)
        labelPaths.append(labelPathFor(imagePath));
    batchList.setBatch(imagePaths, labelled);
    updateProgress();
    loadCurrentImage();
}

void Quadrotag::loadCurrentImage()
{
    if (currentImage < 0 || currentImage >= imagePaths.size())
        return;
    ScreenImage image = prefetcher.take(imagePaths[currentImage], imageViewer.displayScale());
    if (image.isNull()) {
        warn(QStringLiteral("Cannot open image ") + imagePaths[currentImage] + image.refusalNote());
        return;
    }
    // The worker starts on the next image while this one is handed over.
    prefetchLikelyNext();
    const QPixmap pixmap = QPixmap::fromImage(std::move(image.pixels));
    labelViewer.clearSelection();
    annotation.clear();
    undoStack.clear();
    draggedShape = -1;
    readLabelsOfCurrentImage();
    for (Label& label : annotation.labels)
        labelViewer.describeTags(label.tags, label.text);

    imageViewer.imageWidget()->resetDrawing();
    activeShape = -1;
    imageViewer.setImage(pixmap, image.fullSize);
    imageViewer.setAnnotation(annotation);
    imageViewer.setActiveShape(activeShape);
    showStyle(annotation.styleIndex);
    batchList.setShownRow(currentImage);
    followShownImageInList();
    updateStatus();
    if (image.isReducedToFit())
        showNote(image.reductionNote());
}

// The image on screen was shown reduced; its sharp pixels take its place where it is.
void Quadrotag::slotSharpImageReady(const QString& path, const ScreenImage& image)
{
    const int shown = batchList.shownRow();
    if (shown >= 0 && imagePaths[shown] == path)
        imageViewer.setImage(QPixmap::fromImage(image.pixels), image.fullSize);
}

// The operator usually goes on in the direction of the last step; one who skims at a
// small scale finds the image after that made ahead too.
void Quadrotag::prefetchLikelyNext()
{
    QStringList likelyNext;
    for (const int next : {currentImage + stepDirection, currentImage + 2 * stepDirection})
        if (next >= 0 && next < imagePaths.size())
            likelyNext << imagePaths[next];
    prefetcher.prefetch(likelyNext, imageViewer.displayScale());
}

void Quadrotag::readLabelsOfCurrentImage()
{
    const QString& labelPath = labelPaths[currentImage];
    annotatedLabelPath = labelPath;
    const QFileInfo info(labelPath);
    bool readToEnd = true;
    // A damaged file is shown as far as it could be read, and is rewritten only
    // when the operator edits the image.
    if (info.exists() && info.isFile() &&
        (!readLabelFile(annotation, localPath(labelPath), readToEnd) || !readToEnd))
        warn(QStringLiteral("Fail reading from ") + labelPath);
    labelFileHadShapes = !annotation.labels.empty();
    // Another program may have written or removed the file since the batch was listed.
    batchList.setLabelled(currentImage, info.exists() && info.isFile());
    updateProgress();
}

// The position of the image on screen, which after a failed decode is not currentImage.
void Quadrotag::updateStatus()
{
    const int shown = batchList.shownRow();
    ui.statusBar->showMessage(statusText(shown + 1, int(imagePaths.size()), imagePaths[shown]), 0);
}

void Quadrotag::showNote(const QString& note)
{
    ui.statusBar->showMessage(note, noteMilliseconds);
}

void Quadrotag::updateProgress()
{
    progressLabel.setText(
        QStringLiteral("%1 of %2 labelled").arg(batchList.labelledCount()).arg(imagePaths.size()));
    progressLabel.setVisible(!imagePaths.isEmpty());
}

void Quadrotag::followShownImageInList()
{
    const QModelIndex shown = batchList.index(batchList.shownRow());
    imagesView.setCurrentIndex(shown);
    imagesView.scrollTo(shown);
}

void Quadrotag::markLabelled(const QString& labelPath)
{
    // Two images may share a label file ("a.jpg" and "a.JPG").
    for (int i = 0; i < labelPaths.size(); ++i)
        if (labelPaths[i] == labelPath)
            batchList.setLabelled(i, true);
    updateProgress();
}

bool Quadrotag::hasSomethingToSave() const
{
    // No image of any batch has been shown while the label path is empty.
    return !annotatedLabelPath.isEmpty() && (!annotation.labels.empty() || labelFileHadShapes);
}

void Quadrotag::slotSave()
{
    saveAnnotation();
}

// True when nothing needed saving or the label file was written.
bool Quadrotag::saveAnnotation()
{
    if (!hasSomethingToSave())
        return true;
    if (writeLabelFile(annotation, localPath(annotatedLabelPath))) {
        undoStack.setClean();
        markLabelled(annotatedLabelPath);
        return true;
    }
    warn(QStringLiteral("Fail writing to ") + annotatedLabelPath);
    return false;
}

// Every way of leaving an image goes through here. An image that was only viewed is
// not rewritten, so a damaged or hand-made label file stays as it is.
bool Quadrotag::saveBeforeLeaving()
{
    return undoStack.isClean() || saveAnnotation();
}

void Quadrotag::closeEvent(QCloseEvent* event)
{
    if (!saveBeforeLeaving() && !confirmCloseWithoutSaving()) {
        event->ignore();
        return;
    }
    prefetcher.clear();
    event->accept();
}

bool Quadrotag::confirmCloseWithoutSaving()
{
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, QStringLiteral("Close"),
        QStringLiteral("The annotation of this image could not be saved. Close anyway and "
                       "lose its unsaved changes?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void Quadrotag::slotNextImage()
{
    // An annotation that could not be written stays on screen rather than being dropped.
    if (imagePaths.isEmpty() || !saveBeforeLeaving())
        return;
    if (currentImage < imagePaths.size() - 1) {
        stepDirection = 1;
        ++currentImage;
        loadCurrentImage();
    }
}

void Quadrotag::slotPreviousImage()
{
    if (imagePaths.isEmpty() || !saveBeforeLeaving())
        return;
    if (currentImage > 0) {
        stepDirection = -1;
        --currentImage;
        loadCurrentImage();
    }
}

void Quadrotag::slotNextUnlabelledImage()
{
    if (imagePaths.isEmpty() || !saveBeforeLeaving())
        return;
    const int next = batchList.nextUnlabelledRow(currentImage);
    if (next == -1)
        showNote(QStringLiteral("No image without a label file after this one"));
    else
        goToImage(next);
}

void Quadrotag::slotImageChosen(const QModelIndex& index)
{
    goToImage(index.row());
}

// Leaves the image as Down does: it is saved first, and stays when that fails.
void Quadrotag::goToImage(int index)
{
    if (index >= 0 && index < imagePaths.size() && index != currentImage && saveBeforeLeaving()) {
        stepDirection = index > currentImage ? 1 : -1;
        currentImage = index;
        loadCurrentImage();
    }
    // A click that did not lead there must not leave the list pointing elsewhere.
    followShownImageInList();
}

void Quadrotag::slotActiveShapeChanged(int index)
{
    std::cout << "Active shape: " << index << std::endl;
    activeShape = index;
    draggedShape = -1;
    draggingCorner = false;
    if (index < 0 || index >= int(annotation.labels.size())) {
        activeShape = -1;
        labelViewer.clearSelection();
        return;
    }
    // A right press on a shape starts a drag; its release records the whole drag.
    anchorPoints = annotation.labels[index].points;
    draggedShape = index;
    labelViewer.selectTags(annotation.labels[index].tags);
}

void Quadrotag::slotShapeAdded(Label& shape)
{
    std::cout << "Shape Added!" << std::endl;
    recordEdit(AnnotationChange::shapeAdded(annotation, shape, activeShape));
}

void Quadrotag::slotLabelChanged(QTableWidgetItem* /*item*/)
{
    if (activeShape == -1)
        return;
    Label label = annotation.labels[activeShape];
    labelViewer.collectSelectedTags(label.tags);
    labelViewer.describeTags(label.tags, label.text);
    if (label != annotation.labels[activeShape])
        recordEdit(AnnotationChange::shapeEdited(annotation, activeShape,
                                                 annotation.labels[activeShape], label));
}

void Quadrotag::slotShapeMoved(QPoint& offset)
{
    if (activeShape == -1)
        return;
    Label& label = annotation.labels[activeShape];
    const std::size_t count = std::min(label.points.size(), anchorPoints.size());
    for (std::size_t i = 0; i < count; ++i)
        label.points[i] = saturatedSum(anchorPoints[i], offset);
    imageViewer.setAnnotation(annotation);
}

void Quadrotag::slotCornerMoved(int corner, QPoint& position)
{
    if (activeShape == -1 || corner < 0 ||
        corner >= int(annotation.labels[activeShape].points.size()))
        return;
    annotation.labels[activeShape].points[corner] = position;
    draggingCorner = true;
    imageViewer.setAnnotation(annotation);
}

void Quadrotag::slotShapeMoveFinished()
{
    // The moves are already on screen; the history gets the drag as one step.
    const int shape = draggedShape;
    draggedShape = -1;
    const bool cornerDragged = std::exchange(draggingCorner, false);
    if (shape == -1 || shape != activeShape)
        return;
    // A drag changes only the corners, which were taken as the anchor when it began.
    Label beforeDrag = annotation.labels[shape];
    beforeDrag.points = anchorPoints;
    if (annotation.labels[shape] == beforeDrag)
        return;
    // A moved corner must leave a proper quadrilateral; a shape moved whole keeps its form.
    const Label& moved = annotation.labels[shape];
    if (cornerDragged && moved.points.size() == 4 && !moved.isValid()) {
        annotation.labels[shape] = beforeDrag;
        imageViewer.setAnnotation(annotation);
        warn(QStringLiteral("Not a valid shape! "));
        return;
    }
    recordEdit(
        AnnotationChange::shapeEdited(annotation, shape, beforeDrag, annotation.labels[shape]));
}

void Quadrotag::slotDeleteShape()
{
    if (activeShape == -1)
        return;
    // A drag still held is over for the history: its shape is gone.
    draggedShape = -1;
    recordEdit(AnnotationChange::shapeDeleted(annotation, activeShape));
    labelViewer.clearSelection();
}

void Quadrotag::slotStyleChanged(int index)
{
    if (showingStyle || index == annotation.styleIndex)
        return;
    recordEdit(AnnotationChange::styleChanged(annotation, index, activeShape));
}

void Quadrotag::slotUndo()
{
    // A shape held by the mouse would be moved on from corners that are no longer its own.
    if (!isDragging())
        undoStack.undo();
}

void Quadrotag::slotRedo()
{
    if (!isDragging())
        undoStack.redo();
}

bool Quadrotag::isDragging() const
{
    return draggedShape != -1;
}

void Quadrotag::recordEdit(AnnotationChange change)
{
    recordingEdit = true;
    undoStack.push(
        new AnnotationEdit(std::move(change), [this](const AnnotationChange& edit, bool forward) {
            applyEdit(edit, forward);
        }));
    recordingEdit = false;
}

// The single path by which an edit reaches the annotation, the canvas and the table.
void Quadrotag::applyEdit(const AnnotationChange& change, bool forward)
{
    if (!(forward ? redoChange(annotation, change) : undoChange(annotation, change)))
        return;
    const int active = forward ? change.activeAfter : change.activeBefore;
    activeShape = active >= 0 && active < int(annotation.labels.size()) ? active : -1;
    imageViewer.setAnnotation(annotation);
    imageViewer.setActiveShape(activeShape);
    showStyle(annotation.styleIndex);
    // A new edit came from the table or the canvas, which already show it.
    if (!recordingEdit)
        showTagsOfActiveShape();
}

void Quadrotag::showStyle(int styleIndex)
{
    showingStyle = true;
    styleComboBox.setCurrentIndex(styleIndex);
    showingStyle = false;
}

void Quadrotag::showTagsOfActiveShape()
{
    if (activeShape == -1) {
        labelViewer.clearSelection();
        return;
    }
    anchorPoints = annotation.labels[activeShape].points;
    labelViewer.selectTags(annotation.labels[activeShape].tags);
}

void Quadrotag::slotText_ON_OFF()
{
    imageViewer.imageWidget()->toggleText();
}

void Quadrotag::warn(const QString& message)
{
    QMessageBox::warning(this, QStringLiteral("Warning"), message,
                         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton);
}
