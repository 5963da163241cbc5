#ifndef QUADROTAG_ZOOMLEVELLABEL_H
#define QUADROTAG_ZOOMLEVELLABEL_H

#include <QLabel>

class ImageViewer;
class QStatusBar;

// The canvas's zoom as the status bar shows it, "100 %".
class ZoomLevelLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ZoomLevelLabel(QWidget* parent = nullptr);
    // At the right of the status bar, following the viewer's zoom.
    void install(QStatusBar* statusBar, const ImageViewer& viewer);

    void showZoom(double scale);
};

#endif
