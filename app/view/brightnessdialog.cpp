#include "brightnessdialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
// Wide enough that one percent is a few pixels of travel.
const int sliderWidth = 240;

QWidget* sliderRow(QSlider& slider, QLabel& value)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&slider, 1);
    layout->addWidget(&value);
    return row;
}

} // namespace

BrightnessDialog::BrightnessDialog(QWidget* parent)
    : QDialog(parent), brightness(Qt::Horizontal), contrast(Qt::Horizontal),
      reset(QStringLiteral("Reset"))
{
    setWindowTitle(QStringLiteral("Brightness and Contrast"));
    brightness.setObjectName(QStringLiteral("brightnessSlider"));
    contrast.setObjectName(QStringLiteral("contrastSlider"));
    prepareSlider(brightness, brightnessValue);
    prepareSlider(contrast, contrastValue);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Brightness"), sliderRow(brightness, brightnessValue));
    form->addRow(QStringLiteral("Contrast"), sliderRow(contrast, contrastValue));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(&reset, QDialogButtonBox::ResetRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(&reset, &QPushButton::clicked, this,
            [this] { emit adjustmentChosen(ViewAdjustment()); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    showValues();
}

void BrightnessDialog::showAdjustment(const ViewAdjustment& adjustment)
{
    const QSignalBlocker brightnessBlocker(brightness);
    const QSignalBlocker contrastBlocker(contrast);
    brightness.setValue(adjustment.brightness);
    contrast.setValue(adjustment.contrast);
    showValues();
}

void BrightnessDialog::prepareSlider(QSlider& slider, QLabel& value)
{
    slider.setRange(ViewAdjustment::lowest, ViewAdjustment::highest);
    slider.setPageStep(ViewAdjustment::step);
    slider.setMinimumWidth(sliderWidth);
    // The widest value keeps the label from jumping as the number changes.
    value.setMinimumWidth(value.fontMetrics().horizontalAdvance(QStringLiteral("-100 %")));
    connect(&slider, &QSlider::valueChanged, this, &BrightnessDialog::slidersMoved);
}

void BrightnessDialog::slidersMoved()
{
    showValues();
    emit adjustmentChosen(
        ViewAdjustment().withBrightness(brightness.value()).withContrast(contrast.value()));
}

void BrightnessDialog::showValues()
{
    brightnessValue.setText(QString::number(brightness.value()) + QStringLiteral(" %"));
    contrastValue.setText(QString::number(contrast.value()) + QStringLiteral(" %"));
}
