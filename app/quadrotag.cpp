#include "quadrotag.h"

#include "actionkeys.h"
#include "batchfiles.h"
#include "batchpaths.h"
#include "labelfile.h"
#include "operatorname.h"
#include "projectfolder.h"
#include "sessionquestions.h"
#include "sidepanel.h"
#include "vocabularyquestion.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImage>
#include <QPixmap>
#include <QProcessEnvironment>
#include <QSplitter>
#include <QStatusBar>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <iostream>

namespace {
// Long enough to be read; the batch position comes back afterwards.
const int noteMilliseconds = 5000;

// The entry refuses a name that can't be used before the window is built; a window built
// without that check (a test, an embedding) works under a placeholder.
QString operatorFromEnvironment()
{
    const QString name =
        OperatorName::fromEnvironment(QProcessEnvironment::systemEnvironment(), nullptr);
    return name.isEmpty() ? QStringLiteral("operator") : name;
}

// The listing's names, sets and sort keys were freed on the worker, whose heap keeps them
// from the system until told; for a million images that is hundreds of megabytes.
// Done on a worker once the batch has been painted, so the window does not wait for it.
void returnListingScratch()
{
#ifdef __GLIBC__
    const int afterPaintMilliseconds = 500;
    QTimer::singleShot(afterPaintMilliseconds,
                       [] { QThreadPool::globalInstance()->start([] { malloc_trim(0); }); });
#endif
}

// Images removed since a batch was remembered would each stop it with a warning.
QStringList existingFiles(const QStringList& paths)
{
    QStringList existing;
    for (const QString& path : paths)
        if (QFileInfo::exists(path))
            existing << path;
    return existing;
}
} // namespace

Quadrotag::Quadrotag(QWidget* parent, Qt::WindowFlags flags) : Quadrotag(QString(), parent, flags)
{
}

Quadrotag::Quadrotag(const QString& project, QWidget* parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags), imageViewer(nullptr), labelViewer(nullptr),
      styleComboBox(nullptr), zoomLevel(nullptr),
      editor(session, imageViewer, labelViewer, styleComboBox),
      quickTagging(editor, labelViewer, imageViewer), saveGuard(session, editor, this),
      viewComfort(imageViewer), shapeCopying(editor, session, imageViewer, labelViewer),
      reviewController(session, saveGuard, this), drawingAssist(editor, *imageViewer.imageWidget()),
      team(operatorFromEnvironment()), projectFolder(project), projectMenu(projectHistory)
{
    ui.setupUi(this);
    buildLayout();
    projectMenu.install(this, ui.menuFile);
    loadVocabulary();
    connectActions();
    connectCanvasAndTable();
    connectEditHistory();
    connectBatch();
    connectZoom();
    quickTagging.install(ui.actionFind_Tag);
    connect(&quickTagging, &QuickTagging::sglNote, this, &Quadrotag::showNote);
    connect(&projectMenu, &ProjectMenu::projectChosen, this, &Quadrotag::openProject);
    connect(&folderListing, &FolderListing::sglCounted, this, &Quadrotag::showListingCount);
    connect(&folderListing, &FolderListing::sglListed, this, &Quadrotag::openListedFolder);
    connect(&prefetcher, &ImagePrefetcher::sglSharpImageReady, this,
            &Quadrotag::slotSharpImageReady);
    connectTeam();
    currentImage = 0;
    installViewComfort();
    connectReview();
    drawingAssist.install(this, ui.menuFunction);
}

Quadrotag::~Quadrotag() = default;

void Quadrotag::connectReview()
{
    reviewController.install(ui.menuFunction, imageViewer.imageWidget());
    connect(&reviewController, &ReviewController::sglNote, this, &Quadrotag::showNote);
    connect(&reviewController, &ReviewController::reviewed, this, [this] {
        batchPanel.markReviewed(batchPanel.list().shownRow());
        batchPanel.goToNextListed();
    });
    // A save turns the review into one of earlier bytes.
    connect(&session, &ImageSession::saved, &reviewController, &ReviewController::showImageReview);
}

void Quadrotag::buildLayout()
{
    styleComboBox.addItems(session.annotation().styleNames);
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(buildSidePanel(styleComboBox, quickTagging, labelViewer));
    splitter->addWidget(&imageViewer);
    splitter->setChildrenCollapsible(false);
    // The review of the image on screen, below the tag table.
    static_cast<QGridLayout*>(splitter->widget(0)->layout())
        ->addWidget(reviewController.notePanel(), 2, 0);

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
    connect(ui.actionRepeat_Shapes, &QAction::triggered, this, &Quadrotag::slotRepeatShapes);
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
    addAlternativeKeys(ui);
    ui.actionUndo->setEnabled(false);
    ui.actionRedo->setEnabled(false);
    connect(ui.actionUndo, &QAction::triggered, this, &Quadrotag::slotUndo);
    connect(ui.actionRedo, &QAction::triggered, this, &Quadrotag::slotRedo);
    QUndoStack& history = session.history();
    connect(&history, &QUndoStack::canUndoChanged, ui.actionUndo, &QAction::setEnabled);
    connect(&history, &QUndoStack::canRedoChanged, ui.actionRedo, &QAction::setEnabled);
    connect(&session, &ImageSession::modifiedChanged, this, &QWidget::setWindowModified);
    connect(&session, &ImageSession::saved, this,
            [this](const QString& labelPath) { batchPanel.markLabelled(labelPaths, labelPath); });
    session.setDescribe([this](Label& label) { labelViewer.describeTags(label.tags, label.text); });
}

void Quadrotag::connectBatch()
{
    batchPanel.install(this, ui.menuFunction, ui.statusBar, imageViewer.imageWidget());
    // The vocabulary is read once, at start, so its captions are too.
    batchPanel.setTagCaptions(labelViewer.tagLayout());
    connect(ui.actionOpen_Folder, &QAction::triggered, this, &Quadrotag::slotOpenFolder);
    connect(ui.actionNext_Unlabelled_Image, &QAction::triggered, this,
            &Quadrotag::slotNextUnlabelledImage);
    connect(&batchPanel, &BatchPanel::imageChosen, this, [this](int row) { goToImage(row); });
    connect(&batchPanel, &BatchPanel::imageEntered, this,
            [this](int row) { goToImage(row, SaveGuard::Proposal::Accept); });
    // A note, or a menu entry passing under the mouse, clears the message; the
    // position of the image on screen comes back then.
    connect(ui.statusBar, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty() && batchPanel.list().shownRow() >= 0)
            updateStatus();
    });
}

void Quadrotag::connectZoom()
{
    connect(ui.actionZoom_In, &QAction::triggered, &imageViewer, &ImageViewer::slotZoomIn);
    connect(ui.actionZoom_Out, &QAction::triggered, &imageViewer, &ImageViewer::slotZoomOut);
    connect(ui.actionOriginal_Size, &QAction::triggered, &imageViewer,
            &ImageViewer::slotOriginalSize);
    connect(ui.actionFit_to_Window, &QAction::triggered, &imageViewer,
            &ImageViewer::slotFitToWindow);
    connect(&imageViewer, &ImageViewer::sglZoomChanged, &zoomLevel, &ZoomLevelLabel::showZoom);
    ui.statusBar->addPermanentWidget(&zoomLevel);
    zoomLevel.showZoom(imageViewer.zoom());
}

void Quadrotag::connectTeam()
{
    editableTitle = windowTitle();
    team.install(ui.statusBar);
    connect(&team, &TeamDesk::sglHoldersMayHaveChanged, this, &Quadrotag::markHolders);
    connect(&team, &TeamDesk::sglHeldImageFreed, this, &Quadrotag::reopenFreedImage);
    connect(&editor, &AnnotationEditor::sglEditRefused, this, &Quadrotag::showNote);
    connect(&session, &ImageSession::saved, this, [this] {
        team.noteSaved(session.imagePath(), storedShapeCount(session.annotation()));
    });
}

bool Quadrotag::leaveImage(SaveGuard::Proposal proposal)
{
    return team.isHeldByOther() || saveGuard.leave(proposal);
}

// Title, status and the refusal of edits follow whether another operator holds the image.
void Quadrotag::showHeldState()
{
    const bool held = team.isHeldByOther();
    editor.setRefusal(held ? team.heldNote() : QString());
    reviewController.setRefusal(held ? team.heldNote() : QString());
    setWindowTitle(held ? team.heldTitle() : editableTitle);
    if (batchPanel.list().shownRow() >= 0)
        updateStatus();
}

void Quadrotag::markHolders()
{
    batchPanel.setHolders(team.holdersOf(imagePaths));
    // The claim may have passed from one holder to another.
    showHeldState();
}

// Whatever its holder stored meanwhile is read before the operator edits it.
void Quadrotag::reopenFreedImage()
{
    const int shown = batchPanel.list().shownRow();
    if (shown < 0 || imagePaths.value(shown) != session.imagePath())
        return;
    editor.forgetDrag();
    openLabelsOfCurrentImage();
    editor.showWholeAnnotation();
    showHeldState();
    const QString proposed = saveGuard.offerKeptWork();
    if (!proposed.isEmpty())
        showNote(proposed);
}

void Quadrotag::slotOpenImages()
{
    const QStringList files = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Open Images"), QDir::currentPath(), QStringLiteral("jpg(*.jpg)"));
    openImages(files);
}

void Quadrotag::openImages(const QStringList& files)
{
    openImagesAt(files, QString());
}

void Quadrotag::openImagesAt(const QStringList& files, const QString& shownImage)
{
    // The old batch stays on screen when its image could not be saved.
    if (files.isEmpty() || !leaveImage())
        return;
    if (!projectFolder.isEmpty())
        projectHistory.rememberImages(projectFolder, files);
    startBatch(findBatchFiles(files), std::max(0, int(files.indexOf(shownImage))));
}

void Quadrotag::slotOpenFolder()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Open Folder"), QDir::currentPath());
    if (!folder.isEmpty())
        listFolder(folder);
}

void Quadrotag::openFolder(const QString& folder)
{
    BatchFiles batch = listFolderImages(folder);
    if (batch.imagePaths.isEmpty()) {
        showNote(QStringLiteral("No JPEG images in ") + folder);
        return;
    }
    const bool edited = session.needsSaving();
    if (!leaveImage())
        return;
    // The image just saved may lie in this folder and have had no label file yet.
    if (edited)
        batch = listFolderImages(folder);
    startFolderBatch(folder, batch, QString());
}

void Quadrotag::startFolderBatch(const QString& folder, const BatchFiles& batch,
                                 const QString& shownImage)
{
    if (!projectFolder.isEmpty())
        projectHistory.rememberFolder(projectFolder, folder);
    // Two operators opening one folder start on different images.
    startBatch(batch, startImageOf(batch, shownImage, team.holdersOf(batch.imagePaths)));
}

void Quadrotag::listFolder(const QString& folder, const QString& shownImage)
{
    // Saved before the listing, so the label files it finds include this image's.
    if (leaveImage())
        folderListing.start(folder, shownImage);
}

void Quadrotag::showListingCount(const QString& folder, int images)
{
    ui.statusBar->showMessage(
        QStringLiteral("Listing %1: %2 images").arg(QDir::toNativeSeparators(folder)).arg(images));
}

void Quadrotag::openListedFolder(const QString& folder, const QString& shownImage)
{
    const BatchFiles batch = folderListing.take();
    if (batch.imagePaths.isEmpty()) {
        showNote(QStringLiteral("No JPEG images in ") + folder);
        return;
    }
    // Edits made while the folder was listed.
    if (leaveImage())
        startFolderBatch(folder, batch, shownImage);
    returnListingScratch();
}

void Quadrotag::startBatch(const BatchFiles& batch, int first)
{
    if (batch.imagePaths.isEmpty())
        return;
    // A folder still being listed must not replace this batch when it is done.
    folderListing.cancel();
    imagePaths = batch.imagePaths;
    std::cout << imagePaths.size() << std::endl;
    currentImage = first;
    stepDirection = 1;
    prefetcher.clear();
    labelPaths = LabelPaths(imagePaths);
    batchPanel.setBatch(batch, labelPaths);
    markHolders();
    loadCurrentImage();
}

void Quadrotag::loadCurrentImage()
{
    if (currentImage < 0 || currentImage >= imagePaths.size())
        return;
    ScreenImage image = prefetcher.take(imagePaths[currentImage], imageViewer.displayScale());
    if (image.isNull()) {
        warn(this,
             QStringLiteral("Cannot open image ") + imagePaths[currentImage] + image.refusalNote());
        return;
    }
    // The worker starts on the next image while this one is handed over.
    prefetchLikelyNext();
    const QPixmap pixmap = QPixmap::fromImage(std::move(image.pixels));
    labelViewer.clearSelection();
    editor.forgetDrag();
    team.enter(imagePaths[currentImage]);
    openLabelsOfCurrentImage();
    reviewController.showImageReview();

    imageViewer.imageWidget()->resetDrawing();
    imageViewer.setImage(pixmap, image.fullSize);
    editor.showWholeAnnotation();
    batchPanel.showRow(currentImage);
    showHeldState();
    if (!projectFolder.isEmpty())
        projectHistory.rememberShownImage(projectFolder, imagePaths[currentImage]);
    if (image.isReducedToFit())
        showNote(image.reductionNote());
    // Another's unsaved work and proposals are theirs to take up.
    const QString proposed = team.isHeldByOther() ? QString() : saveGuard.offerKeptWork();
    if (!proposed.isEmpty())
        showNote(proposed);
}

// The image on screen was shown reduced; its sharp pixels take its place where it is.
void Quadrotag::slotSharpImageReady(const QString& path, const ScreenImage& image)
{
    const int shown = batchPanel.list().shownRow();
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

void Quadrotag::openLabelsOfCurrentImage()
{
    const QString labelPath = labelPaths[currentImage];
    // A damaged file is shown as far as it could be read, and is rewritten only
    // when the operator edits the image.
    if (session.open(imagePaths[currentImage], labelPath) == ImageSession::Reading::Failed)
        warn(this, QStringLiteral("Fail reading from ") + labelPath);
    // Another program may have written or removed the file since the batch was listed.
    batchPanel.setLabelled(currentImage, session.hasLabelFile());
}

// The position of the image on screen, which after a failed decode is not currentImage.
void Quadrotag::updateStatus()
{
    const int shown = batchPanel.list().shownRow();
    ui.statusBar->showMessage(
        team.isHeldByOther() ? team.heldNote()
                             : statusText(shown + 1, int(imagePaths.size()), imagePaths[shown]),
        0);
}

void Quadrotag::showNote(const QString& note)
{
    ui.statusBar->showMessage(note, noteMilliseconds);
}

void Quadrotag::slotSave()
{
    if (team.isHeldByOther())
        showNote(team.heldNote());
    else
        saveGuard.saveNow();
}

void Quadrotag::closeEvent(QCloseEvent* event)
{
    if (!team.isHeldByOther() && !saveGuard.mayClose()) {
        event->ignore();
        return;
    }
    team.leave();
    prefetcher.clear();
    event->accept();
}

void Quadrotag::slotNextImage()
{
    // An annotation that could not be written stays on screen rather than being dropped.
    if (imagePaths.isEmpty() || !leaveImage(SaveGuard::Proposal::Accept))
        return;
    if (currentImage < imagePaths.size() - 1) {
        stepDirection = 1;
        ++currentImage;
        loadCurrentImage();
    }
}

void Quadrotag::slotPreviousImage()
{
    if (imagePaths.isEmpty() || !leaveImage())
        return;
    if (currentImage > 0) {
        stepDirection = -1;
        --currentImage;
        loadCurrentImage();
    }
}

void Quadrotag::slotNextUnlabelledImage()
{
    if (imagePaths.isEmpty() || !leaveImage(SaveGuard::Proposal::Accept))
        return;
    const int next = batchPanel.list().nextUnlabelledRow(currentImage);
    if (next == -1)
        showNote(QStringLiteral("No image without a label file after this one"));
    else
        goToImage(next);
}

// Leaves the image as Down does: it is saved first, and stays when that fails.
void Quadrotag::goToImage(int index, SaveGuard::Proposal proposal)
{
    if (index >= 0 && index < imagePaths.size() && index != currentImage && leaveImage(proposal)) {
        stepDirection = index > currentImage ? 1 : -1;
        currentImage = index;
        loadCurrentImage();
    }
    // A click that did not lead there must not leave the list pointing elsewhere.
    batchPanel.followShownImage();
}

void Quadrotag::slotActiveShapeChanged(int index)
{
    editor.activeShapeChanged(index);
}

void Quadrotag::slotShapeAdded(Label& shape)
{
    editor.shapeAdded(shape);
}

void Quadrotag::slotLabelChanged(QTableWidgetItem* /*item*/)
{
    editor.tagsClicked();
}

void Quadrotag::slotShapeMoved(QPoint& offset)
{
    editor.shapeMoved(offset);
}

void Quadrotag::slotCornerMoved(int corner, QPoint& position)
{
    editor.cornerMoved(corner, position);
}

void Quadrotag::slotShapeMoveFinished()
{
    editor.shapeMoveFinished();
}

void Quadrotag::slotDeleteShape()
{
    editor.deleteShape();
}

void Quadrotag::slotStyleChanged(int index)
{
    editor.styleChanged(index);
}

void Quadrotag::slotUndo()
{
    editor.undo();
}

void Quadrotag::slotRedo()
{
    editor.redo();
}

void Quadrotag::slotText_ON_OFF()
{
    imageViewer.imageWidget()->toggleText();
}

// The label file of the image before the one on screen, as it was last saved.
void Quadrotag::slotRepeatShapes()
{
    const int shown = int(labelPaths.indexOf(session.labelPath()));
    int skipped = 0;
    const bool repeated = shown >= 1 && editor.repeatShapes(labelPaths[shown - 1], skipped);
    if (skipped > 0)
        showNote(
            skipped == 1
                ? QStringLiteral("Skipped 1 shape that lies outside this image")
                : QStringLiteral("Skipped %1 shapes that lie outside this image").arg(skipped));
    else if (!repeated)
        showNote(QStringLiteral("No shapes stored for the previous image"));
}

void Quadrotag::installViewComfort()
{
    viewComfort.install(this, ui.menuFunction, ui.statusBar);
    paletteChoice.install(ui.menuFunction);
    shapeCopying.install(ui.menuFunction);
    connect(&shapeCopying, &ShapeCopying::sglNote, this, &Quadrotag::showNote);
}

void Quadrotag::loadVocabulary()
{
    if (projectFolder.isEmpty()) {
        labelViewer.loadTags("tags");
        return;
    }
    labelViewer.loadTags(localPath(vocabularyPathIn(projectFolder)),
                         localPath(indexPathIn(projectFolder)));
    if (holdsVocabulary(projectFolder)) {
        projectHistory.addRecent(projectFolder);
        projectMenu.refresh();
    }
}

bool Quadrotag::openProject(const QString& folder)
{
    const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
    if (!holdsVocabulary(absolute)) {
        forgetGoneProject(absolute);
        return false;
    }
    if (!leaveImage())
        return false;
    // The operator chose to quit rather than write a new index over the old one.
    if (!confirmVocabularyChange(vocabularyPathIn(absolute), indexPathIn(absolute), this)) {
        close();
        return false;
    }
    projectFolder = absolute;
    loadVocabulary();
    batchPanel.setTagCaptions(labelViewer.tagLayout());
    resumeProject();
    return true;
}

void Quadrotag::resumeProject()
{
    const RememberedBatch last = projectHistory.lastBatch(projectFolder);
    if (!last.folder.isEmpty())
        listFolder(last.folder, last.shownImage);
    else if (!last.images.isEmpty())
        openImagesAt(existingFiles(last.images), last.shownImage);
    else
        // The captions of the image on screen follow the new vocabulary.
        loadCurrentImage();
}

void Quadrotag::forgetGoneProject(const QString& folder)
{
    const bool listed = projectHistory.recentProjects().contains(folder);
    projectHistory.removeRecent(folder);
    projectMenu.refresh();
    QString message = QFileInfo(folder).isDir() ? QStringLiteral("No vocabulary \"tags\" in ")
                                                : QStringLiteral("No project folder ");
    message += QDir::toNativeSeparators(folder);
    if (listed)
        message += QStringLiteral("; it was removed from Recent Projects.");
    warn(this, message);
}
