#ifndef QUADROTAG_ZOOMLEVELLABEL_H
#define QUADROTAG_ZOOMLEVELLABEL_H

#include <QLabel>

// The canvas's zoom as the status bar shows it, "100 %".
class ZoomLevelLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ZoomLevelLabel(QWidget* parent = nullptr);

    void showZoom(double scale);
};

#endif
