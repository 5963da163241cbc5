#include "quadrotag.h"

#include "batchpaths.h"
#include "geometry.h"
#include "labelfile.h"

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

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <iostream>

Quadrotag::Quadrotag(QWidget* parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags), imageViewer(nullptr), labelViewer(nullptr),
      styleComboBox(nullptr), zoomLevel(nullptr)
{
    ui.setupUi(this);
    buildLayout();
    labelViewer.loadTags("tags");
    connectActions();
    connectCanvasAndTable();
    connectZoom();
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
    if (files.isEmpty())
        return;
    imagePaths = files;
    std::cout << imagePaths.size() << std::endl;
    currentImage = 0;
    labelPaths.clear();
    for (const QString& imagePath : imagePaths)
        labelPaths.append(labelPathFor(imagePath));
    loadCurrentImage();
}

namespace {

// The decoded image as the canvas shows it, or a null pixmap when it can't be decoded.
QPixmap decodeImage(const QString& path)
{
    const cv::Mat decoded = cv::imread(localPath(path), cv::IMREAD_COLOR);
    if (decoded.empty())
        return QPixmap();
    cv::Mat rgb;
    cv::cvtColor(decoded, rgb, cv::COLOR_BGR2RGB);
    const QImage wrapped(rgb.data, rgb.cols, rgb.rows, int(rgb.step), QImage::Format_RGB888);
    return QPixmap::fromImage(wrapped);
}

} // namespace

void Quadrotag::loadCurrentImage()
{
    if (currentImage < 0 || currentImage >= imagePaths.size())
        return;
    const QPixmap pixmap = decodeImage(imagePaths[currentImage]);
    if (pixmap.isNull()) {
        warn(QStringLiteral("Cannot open image ") + imagePaths[currentImage]);
        return;
    }
    labelViewer.clearSelection();
    annotation.clear();
    readLabelsOfCurrentImage();
    for (Label& label : annotation.labels)
        labelViewer.describeTags(label.tags, label.text);

    imageViewer.imageWidget()->resetDrawing();
    activeShape = -1;
    imageViewer.setImage(pixmap);
    imageViewer.setAnnotation(annotation);
    imageViewer.setActiveShape(activeShape);
    styleComboBox.setCurrentIndex(annotation.styleIndex);
    updateStatus();
}

void Quadrotag::readLabelsOfCurrentImage()
{
    const QString& labelPath = labelPaths[currentImage];
    annotatedLabelPath = labelPath;
    const QFileInfo info(labelPath);
    if (info.exists() && info.isFile() && !readLabelFile(annotation, localPath(labelPath)))
        warn(QStringLiteral("Fail reading from ") + labelPath);
    labelFileHadShapes = !annotation.labels.empty();
}

void Quadrotag::updateStatus()
{
    ui.statusBar->showMessage(
        statusText(currentImage + 1, int(imagePaths.size()), imagePaths[currentImage]), 0);
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
    annotation.styleIndex = styleComboBox.currentIndex();
    if (writeLabelFile(annotation, localPath(annotatedLabelPath)))
        return true;
    warn(QStringLiteral("Fail writing to ") + annotatedLabelPath);
    return false;
}

void Quadrotag::slotNextImage()
{
    // An annotation that could not be written stays on screen rather than being dropped.
    if (imagePaths.isEmpty() || !saveAnnotation())
        return;
    if (currentImage < imagePaths.size() - 1) {
        ++currentImage;
        loadCurrentImage();
    }
}

void Quadrotag::slotPreviousImage()
{
    if (imagePaths.isEmpty() || !saveAnnotation())
        return;
    if (currentImage > 0) {
        --currentImage;
        loadCurrentImage();
    }
}

void Quadrotag::slotActiveShapeChanged(int index)
{
    std::cout << "Active shape: " << index << std::endl;
    activeShape = index;
    if (index < 0 || index >= int(annotation.labels.size())) {
        activeShape = -1;
        labelViewer.clearSelection();
        return;
    }
    anchorPoints = annotation.labels[index].points;
    labelViewer.selectTags(annotation.labels[index].tags);
}

void Quadrotag::slotShapeAdded(Label& shape)
{
    std::cout << "Shape Added!" << std::endl;
    annotation.labels.push_back(shape);
    activeShape = int(annotation.labels.size()) - 1;
    imageViewer.setAnnotation(annotation);
    imageViewer.setActiveShape(activeShape);
}

void Quadrotag::slotLabelChanged(QTableWidgetItem* /*item*/)
{
    if (activeShape == -1)
        return;
    Label& label = annotation.labels[activeShape];
    labelViewer.collectSelectedTags(label.tags);
    labelViewer.describeTags(label.tags, label.text);
    imageViewer.setAnnotation(annotation);
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

void Quadrotag::slotDeleteShape()
{
    if (activeShape == -1)
        return;
    annotation.labels.erase(annotation.labels.begin() + activeShape);
    activeShape = -1;
    imageViewer.setAnnotation(annotation);
    imageViewer.setActiveShape(-1);
    labelViewer.clearSelection();
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
