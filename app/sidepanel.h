#ifndef QUADROTAG_SIDEPANEL_H
#define QUADROTAG_SIDEPANEL_H

class QComboBox;
class QWidget;
class LabelViewer;

// The panel left of the canvas: the red "Furnishing Style: " caption with the style
// chooser above the tag table.
QWidget* buildSidePanel(QComboBox& styleChooser, LabelViewer& table);

#endif
