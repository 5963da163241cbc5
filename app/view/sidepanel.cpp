#include "sidepanel.h"

#include "labelviewer.h"
#include "quicktagging.h"

#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QWidget>

QWidget* buildSidePanel(QComboBox& styleChooser, QuickTagging& quickTagging, LabelViewer& table)
{
    auto* styleCaption = new QLabel(QStringLiteral("<font color='red'>Furnishing Style: </font>"));
    QFont captionFont(QStringLiteral("Arial"), 12);
    captionFont.setBold(true);
    styleCaption->setFont(captionFont);
    styleChooser.setFont(captionFont);
    // Arrow keys would change the style unseen: it takes the keyboard only when clicked or
    // reached with Tab.
    styleChooser.setFocusPolicy(Qt::StrongFocus);

    auto* styleRow = new QGridLayout;
    auto* tableBox = new QGridLayout;
    auto* panelGrid = new QGridLayout;
    styleRow->addWidget(styleCaption, 0, 0, 1, 1);
    styleRow->addWidget(&styleChooser, 0, 1, 1, 2);
    tableBox->addWidget(&quickTagging.finder(), 0, 0);
    tableBox->addWidget(&quickTagging.strip(), 1, 0);
    tableBox->addWidget(&table, 2, 0);
    panelGrid->addLayout(styleRow, 0, 0, 1, 1);
    panelGrid->addLayout(tableBox, 1, 0, 1, 1);

    auto* sidePanel = new QWidget;
    sidePanel->setLayout(panelGrid);
    return sidePanel;
}
