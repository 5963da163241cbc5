#include "labelkeeper.h"

#include "imagenames.h"
#include "labelowner.h"

#include <QFileInfo>
#include <QStringList>

namespace {

// Every spelling of a suffix in upper and lower case letters.
QStringList caseSpellingsOf(const QString& suffix)
{
    QStringList spellings{QString()};
    for (const QChar letter : suffix) {
        QStringList longer;
        for (const QString& spelling : spellings) {
            longer << spelling + letter.toLower();
            if (letter.toUpper() != letter.toLower())
                longer << spelling + letter.toUpper();
        }
        spellings = longer;
    }
    return spellings;
}

} // namespace

QString labelKeeperOnDisk(const QString& imagePath)
{
    const QFileInfo image(imagePath);
    const QString suffix = image.suffix();
    // Only image suffixes make twins, and they bound the look-ups to eighty.
    if (!isImageFileName(image.fileName()))
        return QString();
    const QString stemPath = imagePath.chopped(suffix.size() + 1);
    QStringList names{image.fileName()};
    for (const QString& imageSuffix : imageSuffixes())
        for (const QString& spelling : caseSpellingsOf(imageSuffix)) {
            const QFileInfo twin(stemPath + spelling);
            if (spelling.mid(1) != suffix && twin.isFile())
                names << twin.fileName();
        }
    const qsizetype keeper = labelOwnerAmong(names);
    return keeper <= 0 ? QString() : names[keeper];
}
