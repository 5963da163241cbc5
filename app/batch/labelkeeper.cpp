#include "labelkeeper.h"

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

bool isJpegSuffix(const QString& suffix)
{
    return suffix.compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString labelKeeperOnDisk(const QString& imagePath)
{
    const QFileInfo image(imagePath);
    const QString suffix = image.suffix();
    // Only these suffixes make twins, and they bound the look-ups to sixteen.
    if (!isJpegSuffix(suffix))
        return QString();
    const QString stemPath = imagePath.chopped(suffix.size());
    QStringList names{image.fileName()};
    for (const QString& spelling : caseSpellingsOf(suffix)) {
        const QFileInfo twin(stemPath + spelling);
        if (spelling != suffix && twin.isFile())
            names << twin.fileName();
    }
    const qsizetype keeper = labelOwnerAmong(names);
    return keeper <= 0 ? QString() : names[keeper];
}
