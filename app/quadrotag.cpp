#include "quadrotag.h"

#include "actionkeys.h"
#include "batchfiles.h"
#include "batchpaths.h"
#include "faultcatchingapplication.h"
#include "imagenames.h"
#include "labelfile.h"
#include "operatorname.h"
#include "sessionquestions.h"
#include "sidepanel.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QProcessEnvironment>
#include <QSplitter>
#include <QStatusBar>

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
} // namespace

Quadrotag::Quadrotag(QWidget* parent, Qt::WindowFlags flags) : Quadrotag(QString(), parent, flags)
{
}

Quadrotag::Quadrotag(const QString& project, QWidget* parent, Qt::WindowFlags flags)
    : Quadrotag(project, VocabularyFiles::ofProject(project), parent, flags)
{
}

Quadrotag::Quadrotag(const QString& project, const std::optional<VocabularyFiles>& vocabulary,
                     QWidget* parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags), imageViewer(nullptr), labelViewer(nullptr),
      styleComboBox(nullptr), zoomLevel(nullptr), team(operatorFromEnvironment()),
      visit(team, this), editor(visit.session(), imageViewer, labelViewer, styleComboBox),
      quickTagging(editor, labelViewer, imageViewer),
      stepper(visit, imageViewer, labelViewer, editor, batchPanel, this), batchMarks(team),
      viewComfort(imageViewer), shapeCopying(editor, visit.session(), imageViewer, labelViewer),
      reviewController(visit.session(), visit.saveGuard(), this),
      drawingAssist(editor, *imageViewer.imageWidget()),
      opener(visit, stepper, team, projectHistory),
      projects(project, projectHistory, visit, opener, stepper, labelViewer)
{
    ui.setupUi(this);
    buildLayout();
    projects.install(this, ui.menuFile, ui.statusBar);
    datasetReport.install(this, ui.menuFile, ui.statusBar, [this] { return projects.folder(); });
    opener.install(this, ui.statusBar);
    connectActions();
    connectCanvasAndTable();
    connectEditHistory();
    connectBatch();
    connectVisit();
    connectZoom();
    quickTagging.install(ui.actionFind_Tag);
    connect(&quickTagging, &QuickTagging::sglNote, this, &Quadrotag::showNote);
    connect(&opener, &BatchOpener::sglNote, this, &Quadrotag::showNote);
    // A fault nobody expected ends in a note, not in the end of the program.
    if (auto* faults = qobject_cast<FaultCatchingApplication*>(QCoreApplication::instance()))
        connect(faults, &FaultCatchingApplication::sglFault, this, &Quadrotag::showNote);
    connectTeam();
    installViewComfort();
    connectReview();
    drawingAssist.install(this, ui.menuFunction);
    // Last: it takes every action the others added, with their keys as the defaults.
    shortcuts.install(this, ui.menuFunction);
    if (vocabulary)
        loadStartVocabulary(*vocabulary);
}

Quadrotag::~Quadrotag() = default;

void Quadrotag::loadStartVocabulary(const VocabularyFiles& vocabulary)
{
    projects.loadStartVocabulary(vocabulary);
    batchPanel.setTagCaptions(labelViewer.tagLayout());
}

void Quadrotag::connectReview()
{
    reviewController.install(ui.menuFunction, imageViewer.imageWidget());
    connect(&reviewController, &ReviewController::sglNote, this, &Quadrotag::showNote);
    connect(&reviewController, &ReviewController::reviewed, this, [this] {
        batchPanel.markReviewed(batchPanel.list().shownRow());
        batchPanel.goToNextListed();
    });
    connect(&projects, &ProjectSwitch::sglProjectLeft, &reviewController,
            &ReviewController::showImageReview);
    // A save turns the review into one of earlier bytes.
    connect(&visit.session(), &ImageSession::saved, &reviewController,
            &ReviewController::showSavedLabel);
}

void Quadrotag::buildLayout()
{
    styleComboBox.addItems(visit.session().annotation().styleNames);
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
    ImageSession& session = visit.session();
    QUndoStack& history = session.history();
    connect(&history, &QUndoStack::canUndoChanged, ui.actionUndo, &QAction::setEnabled);
    connect(&history, &QUndoStack::canRedoChanged, ui.actionRedo, &QAction::setEnabled);
    connect(&session, &ImageSession::modifiedChanged, this, &QWidget::setWindowModified);
    connect(&session, &ImageSession::saved, this, [this](const QString& labelPath) {
        batchPanel.markLabelled(stepper.labels(), labelPath);
    });
    connect(&session, &ImageSession::editRefused, this, &Quadrotag::showNote);
    connect(&session, &ImageSession::recoveryNotKept, this, &Quadrotag::showNote);
    session.setDescribe([this](Label& label) { labelViewer.describeTags(label.tags, label.text); });
}

void Quadrotag::connectBatch()
{
    batchPanel.install(this, ui.menuFunction, ui.statusBar, imageViewer.imageWidget());
    connect(ui.actionOpen_Folder, &QAction::triggered, this, &Quadrotag::slotOpenFolder);
    connect(ui.actionNext_Unlabelled_Image, &QAction::triggered, this,
            &Quadrotag::slotNextUnlabelledImage);
    connect(&batchPanel, &BatchPanel::imageChosen, &stepper,
            [this](int row) { stepper.goTo(row); });
    connect(&batchPanel, &BatchPanel::imageEntered, &stepper,
            [this](int row) { stepper.goTo(row, SaveGuard::Proposal::Accept); });
    // The new project's tags: their captions in the list, none of the old ones among the recent.
    connect(&projects, &ProjectSwitch::sglVocabularyLoaded, this, [this] {
        batchPanel.setTagCaptions(labelViewer.tagLayout());
        quickTagging.strip().forgetTags();
    });
    connect(&stepper, &BatchStepper::sglNote, this, &Quadrotag::showNote);
    connect(&stepper, &BatchStepper::sglShown, this, &Quadrotag::showHeldState);
    connect(&stepper, &BatchStepper::sglBatchChanged, this, &Quadrotag::markHolders);
    connect(&stepper, &BatchStepper::sglLoadingChanged, this, &Quadrotag::showLoading);
    // A note, or a menu entry passing under the mouse, clears the message; the
    // position of the image on screen, or the image still loading, comes back then.
    connect(ui.statusBar, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty() && (stepper.shownRow() >= 0 || stepper.isLoading()))
            updateStatus();
    });
}

void Quadrotag::connectVisit()
{
    connect(&visit, &ImageVisit::entered, &reviewController,
            [this] { reviewController.showReview(visit.enteredReview()); });
    connect(&visit, &ImageVisit::holdChanged, this, &Quadrotag::showHeldState);
    connect(&visit, &ImageVisit::sglNote, this, &Quadrotag::showNote);
    // A question during the save outlasts the note's delay: the note goes with the save.
    connect(&visit, &ImageVisit::savingOver, this, [this] {
        if (ui.statusBar->currentMessage() == QString::fromUtf8(EditGate::savingNote))
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
    zoomLevel.install(ui.statusBar, imageViewer);
}

void Quadrotag::connectTeam()
{
    editableTitle = windowTitle();
    team.install(ui.statusBar);
    connect(&team, &TeamDesk::sglHoldersMayHaveChanged, this, &Quadrotag::markHolders);
    connect(&batchMarks, &BatchMarks::found, this, &Quadrotag::showMarks);
    connect(&team, &TeamDesk::sglHeldImageFreed, this, &Quadrotag::reopenFreedImage);
    connect(&visit.session(), &ImageSession::saved, this, [this] {
        team.noteSaved(visit.session().imagePath(), storedShapeCount(visit.session().annotation()),
                       imageTimer.takeSeconds());
    });
    // The step after a save its log did not take follows at once: the note stands its time.
    connect(&team, &TeamDesk::sglNote, this, [this](const QString& note) {
        lastingNote = note;
        lastingNoteShown.setRemainingTime(noteMilliseconds);
        showNote(note);
    });
    connect(&team, &TeamDesk::sglClaimSettled, &visit, &ImageVisit::settleClaim);
    connect(&visit, &ImageVisit::entered, &imageTimer, &ImageTimer::restart);
}

// Title, status and the gate follow whether this program holds the image on screen.
void Quadrotag::showHeldState()
{
    visit.followClaim();
    // An image whose claim is being taken is not yet another's.
    const bool readOnly = visit.session().isOpen() && team.hold() != EditGate::Hold::Own &&
                          team.hold() != EditGate::Hold::Pending;
    setWindowTitle(readOnly ? team.heldTitle() : editableTitle);
    if (stepper.shownRow() >= 0)
        updateStatus();
}

void Quadrotag::showMarks(const QStringList& imagePaths, const std::vector<QString>& holders,
                          const std::vector<FolderStamps::Change>& changes)
{
    // Of a batch left meanwhile: the look at this one follows.
    if (imagePaths != stepper.paths())
        return;
    batchPanel.setHolders(holders);
    batchPanel.remark(changes);
    // The claim may have passed from one holder to another.
    showHeldState();
}

void Quadrotag::reopenFreedImage()
{
    const int shown = stepper.shownRow();
    if (shown < 0 || stepper.paths().value(shown) != visit.session().imagePath())
        return;
    editor.forgetDrag();
    visit.reenter(
        [this] { batchPanel.setLabelled(stepper.shownRow(), visit.session().hasLabelFile()); });
}

void Quadrotag::slotOpenImages()
{
    const QStringList files =
        QFileDialog::getOpenFileNames(this, QStringLiteral("Open Images"), QDir::currentPath(),
                                      imageNameFilter() + QStringLiteral(";;jpg(*.jpg)"));
    opener.openNamedImages(files, [this](const QString& note) { warn(this, note); });
}

void Quadrotag::openImages(const QStringList& files)
{
    opener.openImages(files);
}

void Quadrotag::openNamedImages(const QStringList& files)
{
    opener.openNamedImages(files,
                           [](const QString& note) { std::cerr << qPrintable(note) << std::endl; });
}

void Quadrotag::slotOpenFolder()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Open Folder"), QDir::currentPath());
    if (!folder.isEmpty())
        opener.listFolder(folder);
}

void Quadrotag::openFolder(const QString& folder)
{
    opener.openFolder(folder);
}

void Quadrotag::listFolder(const QString& folder, const QString& shownImage)
{
    opener.listFolder(folder, shownImage);
}

void Quadrotag::listFolderOfProject(const QString& folder)
{
    opener.listFolder(folder, QString(), BatchOpener::Project::Known);
}

// The position of the image on screen, which after a failed decode is not the one asked for.
void Quadrotag::updateStatus()
{
    // The step after a save its log did not take follows at once: the note stays its time.
    if (!lastingNoteShown.hasExpired()) {
        ui.statusBar->showMessage(lastingNote, int(lastingNoteShown.remainingTime()));
        return;
    }
    const int shown = stepper.shownRow();
    const QString refusal = visit.session().editGate().refusal(EditGate::Edit::Write);
    ui.statusBar->showMessage(
        !refusal.isEmpty()
            ? refusal
            : statusText(shown + 1, int(stepper.paths().size()), stepper.paths()[shown]),
        0);
}

// Said until the image arrives or fails, also where no image of the batch was shown yet; a
// note stands its time first.
void Quadrotag::showLoading(bool loading)
{
    const QString loadingNote = QString::fromUtf8(EditGate::imageLoadingNote);
    const bool noteStands =
        !lastNoteShown.hasExpired() && ui.statusBar->currentMessage() == lastNote;
    if (loading && !noteStands)
        ui.statusBar->showMessage(loadingNote);
    else if (!loading && ui.statusBar->currentMessage() == loadingNote)
        ui.statusBar->clearMessage();
}

void Quadrotag::showNote(const QString& text)
{
    ui.statusBar->showMessage(text, noteMilliseconds);
    lastNote = text;
    lastNoteShown.setRemainingTime(noteMilliseconds);
}

void Quadrotag::slotSave()
{
    visit.saveNow();
}

void Quadrotag::closeEvent(QCloseEvent* event)
{
    if (!visit.mayCloseWindow()) {
        event->ignore();
        return;
    }
    opener.cancel();
    stepper.stopDecoding();
    event->accept();
}

// The label file of the image before the one on screen, as it was last saved.
void Quadrotag::slotRepeatShapes()
{
    const int shown = int(stepper.labels().indexOf(visit.session().labelPath()));
    const QString previous = shown >= 1 ? stepper.labels()[shown - 1] : QString();
    int skipped = 0;
    const bool repeated = editor.repeatShapes(previous, skipped);
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
    crosshairChoice.install(imageViewer, ui.menuFunction);
    liveSize.install(ui.statusBar, imageViewer.imageWidget());
    shapeCopying.install(ui.menuFunction);
    connect(&shapeCopying, &ShapeCopying::sglNote, this, &Quadrotag::showNote);
    connect(&viewComfort, &ViewComfort::sglShapesHiddenChanged, this,
            [this](bool hidden) { visit.session().editGate().setShapesHidden(hidden); });
}

bool Quadrotag::openProject(const QString& folder)
{
    return projects.openProject(folder);
}

void Quadrotag::resumeProject()
{
    projects.resumeProject();
}
