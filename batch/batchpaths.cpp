#include "batchpaths.h"

#include <QFile>

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString statusText(int position, int count, const QString& path, int maxBytes)
{
    const QString prefix = QStringLiteral("%1/%2  ").arg(position).arg(count);
    const QString ellipsis = QStringLiteral("...");
    if ((prefix + path).toUtf8().size() <= maxBytes)
        return prefix + path;
    // Drop whole characters from the front until prefix, ellipsis and path fit.
    int budget = maxBytes - int(prefix.toUtf8().size()) - int(ellipsis.size());
    int start = path.size();
    while (start > 0) {
        const int step = path.at(start - 1).isLowSurrogate() && start > 1 ? 2 : 1;
        const int bytes = int(path.mid(start - step, step).toUtf8().size());
        if (bytes > budget)
            break;
        budget -= bytes;
        start -= step;
    }
    return prefix + ellipsis + path.mid(start);
}
