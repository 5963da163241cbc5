// Races another copy of itself for the claims of images r0.jpg, r1.jpg, ... in a folder:
// waits until the start file appears, then tries each claim once and writes "<round> won" or
// "<round> lost". Then it waits for the finish file: its claims stay held, and its process alive,
// until the other copy is done too, or that copy would rightly take them over as stale.
#include "imageclaim.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

bool waitFor(const QString& file)
{
    const int pollMicroseconds = 200;
    const int polls = 100000;
    for (int poll = 0; !QFile::exists(file); ++poll) {
        if (poll > polls)
            return false;
        QThread::usleep(pollMicroseconds);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 5)
        return 2;
    const QString folder = arguments[1];
    const int rounds = arguments[2].toInt();
    if (!waitFor(arguments[3]))
        return 3;
    std::vector<std::unique_ptr<ImageClaim>> claims;
    for (int round = 0; round < rounds; ++round) {
        claims.push_back(std::make_unique<ImageClaim>(QStringLiteral("child")));
        const ImageClaim::Result result =
            claims.back()->take(folder + QStringLiteral("/r%1.jpg").arg(round));
        const char* outcome = result == ImageClaim::Result::Held          ? "won"
                              : result == ImageClaim::Result::HeldByOther ? "lost"
                                                                          : "failed";
        std::printf("%d %s\n", round, outcome);
    }
    std::fflush(stdout);
    return waitFor(arguments[4]) ? 0 : 3;
}
