#include "fittingname.h"

#include <QCryptographicHash>
#include <QFile>

QString fittingFileName(const QString& name, qsizetype extraBytes)
{
    if (QFile::encodeName(name).size() + extraBytes <= longestFileName)
        return name;
    return QLatin1Char('#') +
           QString::fromLatin1(
               QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex());
}
