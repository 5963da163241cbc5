#ifndef QUADROTAG_QUADROTAG_H
#define QUADROTAG_QUADROTAG_H

#include "imageannotation.h"
#include "imageviewer.h"
#include "labelviewer.h"
#include "ui_quadrotag.h"

#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QStringList>

#include <vector>

class QTableWidgetItem;

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

    // The annotation of the image on screen, as the next save would store it.
    const ImageAnnotation& imageAnnotation() const { return annotation; }

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
    void slotZoomChanged(double scale);

private:
    void buildLayout();
    void connectActions();
    void connectCanvasAndTable();
    void connectZoom();
    void loadCurrentImage();
    void readLabelsOfCurrentImage();
    void updateStatus();
    bool hasSomethingToSave() const;
    bool saveAnnotation();
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
};

#endif
