// Draws the program's icon at every size the desktop and Windows need: PNGs laid out as in the
// hicolor icon theme, and a 16-colour .ico for the Windows executable.
#include "appicondrawing.h"
#include "sixteencoloricon.h"

#include <QDir>
#include <QSaveFile>
#include <QString>

#include <iostream>
#include <vector>

namespace {

const std::vector<int> themeSizes = {16, 32, 48, 256};
// Windows lists an icon's images largest first.
const std::vector<int> windowsSizes = {48, 32, 16};
const QString iconName = "quadrotag";

bool writeThemeIcon(const QDir& folder, int size)
{
    const QString subfolder = QString("hicolor/%1x%1/apps").arg(size);
    if (!folder.mkpath(subfolder))
        return false;
    return drawAppIcon(size).save(folder.filePath(subfolder + "/" + iconName + ".png"));
}

bool writeWindowsIcon(const QDir& folder)
{
    std::vector<QImage> images;
    for (int size : windowsSizes)
        images.push_back(drawAppIcon(size));
    QSaveFile file(folder.filePath(iconName + ".ico"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(encodeSixteenColorIcon(images));
    return file.commit();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::cerr << "usage: makeappicon <output folder>" << std::endl;
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (int size : themeSizes)
        if (!writeThemeIcon(folder, size)) {
            std::cerr << "Fail writing the " << size << " pixel icon into " << argv[1] << std::endl;
            return 1;
        }
    if (!writeWindowsIcon(folder)) {
        std::cerr << "Fail writing the Windows icon into " << argv[1] << std::endl;
        return 1;
    }
    return 0;
}
