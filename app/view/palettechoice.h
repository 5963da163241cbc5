#ifndef QUADROTAG_PALETTECHOICE_H
#define QUADROTAG_PALETTECHOICE_H

#include <QAction>
#include <QObject>
#include <QPalette>
#include <QString>

class QMenu;

// "Dark Palette" in the menu: the whole program in the Fusion style with a dark palette,
// or back to the style and palette it started with; the choice is kept between runs.
class PaletteChoice : public QObject
{
    Q_OBJECT

public:
    PaletteChoice();
    // A window that goes leaves the program as it found it.
    ~PaletteChoice() override;

    // Adds the entry at the end of the menu and brings back the choice of the last run.
    void install(QMenu* menu);
    void setDark(bool dark);

    bool isDark() const { return darkAction.isChecked(); }

private:
    void applyDark();
    void applyOriginal();

    QAction darkAction;
    // What the program looked like before the dark palette first replaced it.
    QString originalStyle;
    QPalette originalPalette;
    bool darkApplied = false;
};

#endif
