#include "filefixture.h"

#include <QDir>
#include <QFile>

bool writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

bool makeFiles(const QString& folder, const QString& pattern, int count)
{
    if (!QDir().mkpath(folder))
        return false;
    for (int i = 0; i < count; ++i)
        if (!writeFileBytes(folder + "/" + pattern.arg(i), QByteArray()))
            return false;
    return true;
}
