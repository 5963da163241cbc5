#ifndef QUADROTAG_QUADROTAG_H
#define QUADROTAG_QUADROTAG_H

#include "annotationeditor.h"
#include "batchmarks.h"
#include "batchopener.h"
#include "batchpanel.h"
#include "batchstepper.h"
#include "crosshairchoice.h"
#include "datasetreportaction.h"
#include "drawingassist.h"
#include "imageannotation.h"
#include "imageprefetcher.h"
#include "imagesession.h"
#include "imagetimer.h"
#include "imageviewer.h"
#include "imagevisit.h"
#include "keyshortcuts.h"
#include "labelviewer.h"
#include "livesizelabel.h"
#include "palettechoice.h"
#include "projecthistory.h"
#include "projectswitch.h"
#include "quicktagging.h"
#include "reviewcontroller.h"
#include "shapecopying.h"
#include "teamdesk.h"
#include "ui_quadrotag.h"
#include "viewcomfort.h"
#include "zoomlevellabel.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QMainWindow>
#include <QStringList>

#include <optional>

class QCloseEvent;
class QTableWidgetItem;

// The main window: wires the visit of the image on screen (its session, claim and save
// rules), the batch, the canvas and the tag table together; it decides nothing itself.
class Quadrotag : public QMainWindow
{
    Q_OBJECT

public:
    explicit Quadrotag(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    // A window of the project in this folder: its vocabulary, its tag index, its history.
    explicit Quadrotag(const QString& projectFolder, QWidget* parent = nullptr,
                       Qt::WindowFlags flags = Qt::WindowFlags());
    // The same with the project's vocabulary files as read already; without them the tag table
    // stays empty until loadStartVocabulary, and nothing of the project is written before.
    Quadrotag(const QString& projectFolder, const std::optional<VocabularyFiles>& vocabulary,
              QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~Quadrotag() override;

    // The project's vocabulary in the tag table, for a window made before it was read.
    void loadStartVocabulary(const VocabularyFiles& vocabulary);

    // Replaces the batch with these image files and shows the first; what the
    // open dialog does after the operator chose files.
    void openImages(const QStringList& files);
    // Image files named on the command line: those that are not JPEG images by name and by
    // their first bytes are left out, named on standard error; found on a worker, opened later.
    void openNamedImages(const QStringList& files);
    // Makes every JPEG of the folder the batch, in natural order, and shows the first
    // image without a label file; what the folder dialog does after a folder was chosen.
    void openFolder(const QString& folder);
    // As openFolder, with the folder listed off the GUI thread: the window answers meanwhile
    // and the status bar counts the images found. The image on screen is saved first.
    void listFolder(const QString& folder, const QString& shownImage = QString());
    // A folder the project was found above, so it is the project's without another look.
    void listFolderOfProject(const QString& folder);
    // Leaves the image on screen by this project's rules, closes its batch, reads the new
    // project's vocabulary and opens its last batch; false when the old project stays.
    bool openProject(const QString& folder);
    // Opens the project's last batch at the image last shown.
    void resumeProject();
    const QString& project() const { return projects.folder(); }

    // The annotation of the image on screen, as the next save would store it.
    const ImageAnnotation& imageAnnotation() const { return visit.session().annotation(); }
    // The edits of the image on screen that Undo and Redo step through.
    const QUndoStack& editHistory() const { return visit.session().history(); }
    const ImageSession& imageSession() const { return visit.session(); }
    // A folder is being listed whose batch is still to come.
    bool isListingFolder() const { return opener.isListing(); }
    // The background decoder of the image likely shown next.
    const ImagePrefetcher& imagePrefetcher() const { return stepper.imagePrefetcher(); }
    const ReviewController& review() const { return reviewController; }
    // Who is working, the claim on the image on screen and who else holds which image.
    TeamDesk& teamDesk() { return team; }
    // The operator's keys of every action, and the dialog that changes them.
    KeyShortcuts& keyShortcuts() { return shortcuts; }
    // The operator's active time on the image on screen, told in the save log.
    ImageTimer& activeTime() { return imageTimer; }

public slots:
    void slotOpenImages();
    void slotSave();
    void slotOpenFolder();
    void slotRepeatShapes();
    void slotText_ON_OFF() { imageViewer.imageWidget()->toggleText(); }
    // Moves through the batch: the visit leaves the image on screen first.
    void slotNextImage() { stepper.next(); }
    void slotPreviousImage() { stepper.previous(); }
    void slotNextUnlabelledImage() { stepper.nextUnlabelled(); }
    // What the canvas, the table and the chooser report becomes a step of the session, as
    // far as its gate lets it.
    void slotDeleteShape() { editor.deleteShape(); }
    void slotLabelChanged(QTableWidgetItem* /*item*/) { editor.tagsClicked(); }
    void slotShapeAdded(Label& shape) { editor.shapeAdded(shape); }
    void slotActiveShapeChanged(int index) { editor.activeShapeChanged(index); }
    void slotShapeMoved(QPoint& offset) { editor.shapeMoved(offset); }
    void slotShapeMoveFinished() { editor.shapeMoveFinished(); }
    void slotCornerMoved(int corner, QPoint& position) { editor.cornerMoved(corner, position); }
    void slotStyleChanged(int index) { editor.styleChanged(index); }
    void slotUndo() { editor.undo(); }
    void slotRedo() { editor.redo(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void connectActions();
    void connectCanvasAndTable();
    void connectEditHistory();
    void connectBatch();
    void connectVisit();
    void connectZoom();
    void connectReview();
    void connectTeam();
    void installViewComfort();
    void showNote(const QString& text);
    void showLoading(bool loading);
    void updateStatus();
    void showHeldState();
    void markHolders() { batchMarks.look(stepper.paths()); }
    void showMarks(const QStringList& imagePaths, const std::vector<QString>& holders,
                   const std::vector<FolderStamps::Change>& changes);
    void reopenFreedImage();

    Ui::QuadrotagClass ui;
    ImageViewer imageViewer;
    LabelViewer labelViewer;
    QComboBox styleComboBox;
    // The canvas's zoom at the right of the status bar, beside the status message.
    ZoomLevelLabel zoomLevel;
    TeamDesk team;
    // The image on screen: its session, the one gate of its edits, entering and leaving it.
    ImageVisit visit;
    // Turns canvas, table and style reports into steps of the session.
    AnnotationEditor editor;
    // The tag finder and the recent tags beside the table.
    QuickTagging quickTagging;
    BatchPanel batchPanel;
    BatchStepper stepper;
    // Who holds which image, and the folders where someone else saved or reviewed since the
    // last refresh.
    BatchMarks batchMarks;
    // Brightness, contrast and hidden shapes; the dark palette; shapes on the clipboard.
    ViewComfort viewComfort;
    PaletteChoice paletteChoice;
    CrosshairChoice crosshairChoice;
    LiveSizeLabel liveSize;
    ShapeCopying shapeCopying;
    // Accept, reject and notes pinned to the image.
    ReviewController reviewController;
    // Ctrl+G and the keys that nudge the active shape.
    DrawingAssist drawingAssist;
    // The title the form gives, for an image the operator may edit.
    QString editableTitle;
    // A note that stands its time over the status of the steps that follow it.
    QString lastingNote;
    QDeadlineTimer lastingNoteShown;
    // The last note and until when it stands in the status bar, unless something replaced it.
    QString lastNote;
    QDeadlineTimer lastNoteShown;
    ProjectHistory projectHistory;
    DatasetReportAction datasetReport;
    BatchOpener opener;
    ProjectSwitch projects;
    KeyShortcuts shortcuts;
    ImageTimer imageTimer;
};

#endif
