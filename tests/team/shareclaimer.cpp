// One program of the mounted-share test: for a number of seconds, takes the claim of one
// image's label file on a shared folder, and while it holds it writes the label file, each
// write after confirming the claim. It notes in its own journal (off the share) one line per
// event, so a kill -9 loses nothing already noted:
//   round | takeover | write | nonholder
// "nonholder": its claim held from before its write until after a look at the label file, yet
// the file held another's write: someone wrote while this program held the claim.
#include "imageclaim.h"
#include "teampaths.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QThread>

#include <cstdio>

namespace {

void note(QFile& journal, const char* event)
{
    journal.write(event);
    journal.write("\n");
    journal.flush();
}

bool writeLabel(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 6) {
        std::fprintf(stderr, "usage: shareclaimer IMAGE NAME SECONDS STALE_MS JOURNAL\n");
        return 2;
    }
    const QString image = arguments[1];
    const QString name = arguments[2];
    const qint64 runFor = arguments[3].toLongLong() * 1000;
    const qint64 staleMs = arguments[4].toLongLong();
    QFile journal(arguments[5]);
    if (!journal.open(QIODevice::WriteOnly | QIODevice::Append))
        return 2;
    ImageClaim claim(name);
    // Only this test shortens the stale time, so that pauses past it take seconds.
    claim.setStaleAfter(staleMs);
    const QString label = image.left(image.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".lbl");
    QElapsedTimer running;
    running.start();
    int sequence = 0;
    bool held = false;
    while (running.elapsed() < runFor) {
        note(journal, "round");
        if (!held) {
            const QByteArray before = bytesOf(claimPathFor(image));
            held = claim.take(image) == ImageClaim::Result::Held;
            if (held && !before.isEmpty())
                note(journal, "takeover");
        }
        if (held && claim.refresh()) {
            const QByteArray mine = name.toUtf8() + ' ' + QByteArray::number(++sequence) + '\n';
            if (writeLabel(label, mine)) {
                note(journal, "write");
                QThread::msleep(30);
                if (claim.refresh() && bytesOf(label) != mine)
                    note(journal, "nonholder");
            }
        } else {
            held = false;
        }
        // Held images are refreshed well within the stale time.
        QThread::msleep(quint64(staleMs / 8));
    }
    claim.release();
    return 0;
}
