#ifndef QUADROTAG_TESTS_FILEFIXTURE_H
#define QUADROTAG_TESTS_FILEFIXTURE_H

#include <QByteArray>
#include <QString>

bool writeFileBytes(const QString& path, const QByteArray& bytes);
// The file's bytes, or "<missing>" when it can't be read.
QByteArray fileBytes(const QString& path);
// count empty files in folder, named by pattern with %1 the number: a listing never opens them.
bool makeFiles(const QString& folder, const QString& pattern, int count);

#endif
