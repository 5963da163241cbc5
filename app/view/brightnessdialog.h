#ifndef QUADROTAG_BRIGHTNESSDIALOG_H
#define QUADROTAG_BRIGHTNESSDIALOG_H

#include "viewadjustment.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

// "Brightness and Contrast": a slider for each, and Reset; every move shows at once.
class BrightnessDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BrightnessDialog(QWidget* parent = nullptr);

    // Shows a setting changed elsewhere (by the keys) without reporting it back.
    void showAdjustment(const ViewAdjustment& adjustment);

    QSlider& brightnessSlider() { return brightness; }
    QSlider& contrastSlider() { return contrast; }
    QPushButton& resetButton() { return reset; }

signals:
    void adjustmentChosen(const ViewAdjustment& adjustment);

private:
    void prepareSlider(QSlider& slider, QLabel& value);
    void slidersMoved();
    void showValues();

    QSlider brightness;
    QSlider contrast;
    QLabel brightnessValue;
    QLabel contrastValue;
    QPushButton reset;
};

#endif
