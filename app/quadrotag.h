#ifndef QUADROTAG_QUADROTAG_H
#define QUADROTAG_QUADROTAG_H

#include "batchlistmodel.h"
#include "imageannotation.h"
#include "imageprefetcher.h"
#include "imageviewer.h"
#include "labelviewer.h"
#include "ui_quadrotag.h"

#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QListView>
#include <QMainWindow>
#include <QStringList>
#include <QUndoStack>

#include <vector>

class QCloseEvent;
class QModelIndex;
class QTableWidgetItem;
struct AnnotationChange;

// The main window: owns the annotation of the image on screen and the open batch,
// and keeps the canvas and the tag table in step with that annotation.
class Quadrotag : public QMainWindow
{
    Q_OBJECT

public:
    explicit Quadrotag(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~Quadrotag() override;

    // Replaces the batch with these image files and shows the first; what the
    // open dialog does after the operator chose files.
    void openImages(const QStringList& files);
    // Makes every JPEG of the folder the batch, in natural order, and shows the first
    // image without a label file; what the folder dialog does after a folder was chosen.
    void openFolder(const QString& folder);

    // The annotation of the image on screen, as the next save would store it.
    const ImageAnnotation& imageAnnotation() const { return annotation; }
    // The edits of the image on screen that Undo and Redo step through.
    const QUndoStack& editHistory() const { return undoStack; }
    // The background decoder of the image likely shown next.
    const ImagePrefetcher& imagePrefetcher() const { return prefetcher; }

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
    void slotImageChosen(const QModelIndex& index);
    void slotSharpImageReady(const QString& path, const ScreenImage& image);

protected:
    void closeEvent(QCloseEvent* event) override;
    void slotZoomChanged(double scale);

private:
    void buildLayout();
    void connectActions();
    void connectCanvasAndTable();
    void connectEditHistory();
    void buildBatchWidgets();
    void startBatch(const QStringList& files, const std::vector<bool>& labelled, int first);
    void goToImage(int index);
    void markLabelled(const QString& labelPath);
    void followShownImageInList();
    void updateProgress();
    void showNote(const QString& note);
    void connectZoom();
    void loadCurrentImage();
    void prefetchLikelyNext();
    void readLabelsOfCurrentImage();
    void updateStatus();
    bool hasSomethingToSave() const;
    bool saveAnnotation();
    bool saveBeforeLeaving();
    bool confirmCloseWithoutSaving();
    void recordEdit(AnnotationChange change);
    void applyEdit(const AnnotationChange& change, bool forward);
    void showStyle(int styleIndex);
    void showTagsOfActiveShape();
    bool isDragging() const;
    void warn(const QString& message);

    Ui::QuadrotagClass ui;
    ImageViewer imageViewer;
    LabelViewer labelViewer;
    QComboBox styleComboBox;
    // The canvas's zoom at the right of the status bar, beside the status message.
    QLabel zoomLevel;
    ImageAnnotation annotation;
    int activeShape = -1;
    QStringList imagePaths;
    QStringList labelPaths;
    int currentImage = 0;
    std::vector<QPoint> anchorPoints;
    // Label file of the image whose annotation is in memory. After a failed decode
    // currentImage names another image, and saving there would overwrite its file.
    QString annotatedLabelPath;
    // The label file held shapes when the image was shown, so deleting them all
    // must still be written.
    bool labelFileHadShapes = false;
    // Edits of the image on screen; clean while the annotation matches its label file.
    QUndoStack undoStack;
    // The shape being dragged; its corners before the drag are anchorPoints.
    int draggedShape = -1;
    // The drag moved one corner rather than the whole shape.
    bool draggingCorner = false;
    // Set while the window itself moves the style chooser, which is not an edit.
    bool showingStyle = false;
    // Decodes the image the operator will most likely show next.
    ImagePrefetcher prefetcher;
    // +1 after Down and at the start of a batch, -1 after Up.
    int stepDirection = 1;
    // Set while a new edit is recorded: its table selection is already on screen.
    bool recordingEdit = false;
    BatchListModel batchList;
    QDockWidget imagesDock;
    QListView imagesView;
    QLabel progressLabel;
};

#endif
