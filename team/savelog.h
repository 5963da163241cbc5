#ifndef QUADROTAG_SAVELOG_H
#define QUADROTAG_SAVELOG_H

#include <QDateTime>
#include <QString>

// The operator's own log of saves beside the images: only its writer appends to it, so no two
// computers ever write one file.
class SaveLog
{
public:
    SaveLog(const QString& operatorName, const QString& host);

    // Appends "<ISO 8601 time>\t<image file name, escaped>\t<shapes>" to the log of the image's
    // folder, with "\t<seconds>" of active work on the image when they are known (not
    // negative); false when it could not be written.
    bool append(const QString& imagePath, int storedShapes, const QDateTime& time,
                long long activeSeconds = -1) const;

private:
    QString operatorName;
    QString host;
};

// An image name as a log line holds it: a backslash, a tab, a line feed or a carriage return
// is written as \\, \t, \n or \r, so no name can end its field or its line.
QByteArray escapeLogName(const QString& name);
// The image name that escapeLogName wrote.
QString unescapeLogName(const QByteArray& field);

#endif
