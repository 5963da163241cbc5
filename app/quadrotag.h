#ifndef QUADROTAG_QUADROTAG_H
#define QUADROTAG_QUADROTAG_H

#include "annotationeditor.h"
#include "batchpanel.h"
#include "drawingassist.h"
#include "folderlisting.h"
#include "imageannotation.h"
#include "imageprefetcher.h"
#include "imagesession.h"
#include "imageviewer.h"
#include "labelpaths.h"
#include "labelviewer.h"
#include "palettechoice.h"
#include "projecthistory.h"
#include "projectmenu.h"
#include "quicktagging.h"
#include "reviewcontroller.h"
#include "saveguard.h"
#include "shapecopying.h"
#include "teamdesk.h"
#include "ui_quadrotag.h"
#include "viewcomfort.h"
#include "zoomlevellabel.h"

#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QStringList>

#include <vector>

class QCloseEvent;
class QModelIndex;
class QTableWidgetItem;

// The main window: holds the open batch and wires the image session (the annotation on
// screen, its history and its label file) to the canvas and the tag table.
class Quadrotag : public QMainWindow
{
    Q_OBJECT

public:
    explicit Quadrotag(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    // A window of the project in this folder: its vocabulary, its tag index, its history.
    explicit Quadrotag(const QString& projectFolder, QWidget* parent = nullptr,
                       Qt::WindowFlags flags = Qt::WindowFlags());
    ~Quadrotag() override;

    // Replaces the batch with these image files and shows the first; what the
    // open dialog does after the operator chose files.
    void openImages(const QStringList& files);
    // Makes every JPEG of the folder the batch, in natural order, and shows the first
    // image without a label file; what the folder dialog does after a folder was chosen.
    void openFolder(const QString& folder);
    // As openFolder, with the folder listed off the GUI thread: the window answers meanwhile
    // and the status bar counts the images found. The image on screen is saved first.
    void listFolder(const QString& folder, const QString& shownImage = QString());
    // Reads the project's vocabulary, after the image on screen was saved and the operator
    // agreed to a changed vocabulary, and opens its last batch; false when it stays closed.
    bool openProject(const QString& folder);
    // Opens the project's last batch at the image last shown.
    void resumeProject();
    const QString& project() const { return projectFolder; }

    // The annotation of the image on screen, as the next save would store it.
    const ImageAnnotation& imageAnnotation() const { return session.annotation(); }
    // The edits of the image on screen that Undo and Redo step through.
    const QUndoStack& editHistory() const { return session.history(); }
    const ImageSession& imageSession() const { return session; }
    // The background decoder of the image likely shown next.
    const ImagePrefetcher& imagePrefetcher() const { return prefetcher; }
    const ReviewController& review() const { return reviewController; }
    // Who is working, the claim on the image on screen and who else holds which image.
    TeamDesk& teamDesk() { return team; }

public slots:
    void slotOpenImages();
    void slotSave();
    void slotDeleteShape();
    void slotNextImage();
    void slotPreviousImage();
    void slotLabelChanged(QTableWidgetItem* item);
    void slotShapeAdded(Label& shape);
    void slotActiveShapeChanged(int index);
    void slotShapeMoved(QPoint& offset);
    void slotText_ON_OFF();
    void slotShapeMoveFinished();
    void slotCornerMoved(int corner, QPoint& position);
    void slotStyleChanged(int index);
    void slotUndo();
    void slotRedo();
    void slotOpenFolder();
    void slotNextUnlabelledImage();
    void slotSharpImageReady(const QString& path, const ScreenImage& image);
    void slotRepeatShapes();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void connectActions();
    void connectCanvasAndTable();
    void connectEditHistory();
    void connectBatch();
    void startBatch(const BatchFiles& batch, int first);
    void goToImage(int index, SaveGuard::Proposal proposal = SaveGuard::Proposal::Keep);
    void showNote(const QString& note);
    void connectZoom();
    void loadCurrentImage();
    void prefetchLikelyNext();
    void openLabelsOfCurrentImage();
    void updateStatus();
    void installViewComfort();
    void connectReview();
    void connectTeam();
    // Every way of leaving an image: one held by another was only looked at.
    bool leaveImage(SaveGuard::Proposal proposal = SaveGuard::Proposal::Keep);
    void showHeldState();
    void markHolders();
    void reopenFreedImage();
    void loadVocabulary();
    void openImagesAt(const QStringList& files, const QString& shownImage);
    void forgetGoneProject(const QString& folder);
    void openListedFolder(const QString& folder, const QString& shownImage);
    void startFolderBatch(const QString& folder, const BatchFiles& batch,
                          const QString& shownImage);
    void showListingCount(const QString& folder, int images);

    Ui::QuadrotagClass ui;
    ImageViewer imageViewer;
    LabelViewer labelViewer;
    QComboBox styleComboBox;
    // The canvas's zoom at the right of the status bar, beside the status message.
    ZoomLevelLabel zoomLevel;
    // The image on screen as a document: its annotation, history and label file.
    ImageSession session;
    QStringList imagePaths;
    LabelPaths labelPaths;
    int currentImage = 0;
    // Decodes the image the operator will most likely show next.
    ImagePrefetcher prefetcher;
    // +1 after Down and at the start of a batch, -1 after Up.
    int stepDirection = 1;
    // Turns canvas, table and style reports into steps of the session.
    AnnotationEditor editor;
    // The tag finder and the recent tags beside the table.
    QuickTagging quickTagging;
    BatchPanel batchPanel;
    SaveGuard saveGuard;
    // Brightness, contrast and hidden shapes; the dark palette; shapes on the clipboard.
    ViewComfort viewComfort;
    PaletteChoice paletteChoice;
    ShapeCopying shapeCopying;
    // Accept, reject and notes pinned to the image.
    ReviewController reviewController;
    // Ctrl+G and the keys that nudge the active shape.
    DrawingAssist drawingAssist;
    TeamDesk team;
    // The title the form gives, for an image the operator may edit.
    QString editableTitle;
    // Empty without a project: the vocabulary is then "tags" in the working directory.
    QString projectFolder;
    ProjectHistory projectHistory;
    ProjectMenu projectMenu;
    FolderListing folderListing;
};

#endif
