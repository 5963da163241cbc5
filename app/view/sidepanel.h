#ifndef QUADROTAG_SIDEPANEL_H
#define QUADROTAG_SIDEPANEL_H

class QComboBox;
class QWidget;
class LabelViewer;
class QuickTagging;

// The panel left of the canvas: the red "Furnishing Style: " caption with the style
// chooser, then the tag finder and the recent tags, above the tag table.
QWidget* buildSidePanel(QComboBox& styleChooser, QuickTagging& quickTagging, LabelViewer& table);

#endif
