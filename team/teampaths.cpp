#include "teampaths.h"

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

} // namespace

QString teamFolderFor(const QString& imagePath)
{
    return imagePath.left(nameStart(imagePath)) + QLatin1String(teamFolderName);
}

QString claimPathFor(const QString& imagePath)
{
    return fileInTeamFolder(imagePath, "claims",
                            imagePath.mid(nameStart(imagePath)) + QStringLiteral(".claim"));
}

QString reviewPathFor(const QString& imagePath)
{
    return fileInTeamFolder(imagePath, "reviews",
                            imagePath.mid(nameStart(imagePath)) + QStringLiteral(".review"));
}

QString logPathFor(const QString& imagePath, const QString& operatorName, const QString& host)
{
    return fileInTeamFolder(imagePath, "log",
                            operatorName + QLatin1Char('@') + host + QStringLiteral(".log"));
}
