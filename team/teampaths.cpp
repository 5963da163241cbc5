#include "teampaths.h"

#include "fittingname.h"

#include <QFile>

const char teamFolderName[] = ".quadrotag";

namespace {

qsizetype nameStart(const QString& path)
{
    return path.lastIndexOf(QLatin1Char('/')) + 1;
}

QString fileInTeamFolder(const QString& imagePath, const char* subfolder, const QString& name)
{
    return teamFolderFor(imagePath) + QLatin1Char('/') + QLatin1String(subfolder) +
           QLatin1Char('/') + name;
}

// The same cut as labelPathFor: up to the last dot of the file name.
QString labelFileNameOf(const QString& imagePath)
{
    const QString name = imagePath.mid(nameStart(imagePath));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot >= 0 ? name.left(dot) : name) + QStringLiteral(".lbl");
}

const QLatin1String claimSuffix(".claim");
const QLatin1String reviewSuffix(".review");

} // namespace

QString teamFolderFor(const QString& imagePath)
{
    return imagePath.left(nameStart(imagePath)) + QLatin1String(teamFolderName);
}

QString claimKeyFor(const QString& imagePath)
{
    return fittingFileName(labelFileNameOf(imagePath), claimSuffix.size());
}

QString claimPathFor(const QString& imagePath)
{
    return fileInTeamFolder(imagePath, "claims", claimKeyFor(imagePath) + claimSuffix);
}

QString keptPathFor(const QString& imagePath, const QString& operatorName, const QString& host)
{
    // A long name of multibyte letters with a long host name may not fit in one file name.
    return fileInTeamFolder(imagePath, "kept",
                            fittingFileName(operatorName + QLatin1Char('@') + host, 0) +
                                QLatin1Char('/') + labelFileNameOf(imagePath));
}

QString reviewPathFor(const QString& imagePath)
{
    return fileInTeamFolder(
        imagePath, "reviews",
        fittingFileName(imagePath.mid(nameStart(imagePath)), reviewSuffix.size()) + reviewSuffix);
}

QString logPathFor(const QString& imagePath, const QString& operatorName, const QString& host)
{
    // The operator's name tells the counts whose log it is: a host name that leaves it no room
    // gives way to as much of its digest as fits.
    const QLatin1String suffix(".log");
    const qsizetype room =
        longestFileName - QFile::encodeName(operatorName).size() - 1 - suffix.size();
    const QString hostPart =
        QFile::encodeName(host).size() <= room ? host : fittingFileName(host, longestFileName);
    return fileInTeamFolder(imagePath, "log",
                            operatorName + QLatin1Char('@') + hostPart.left(room) + suffix);
}
