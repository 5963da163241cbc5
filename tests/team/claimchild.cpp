// Races another copy of itself for the claims of images r0.jpg, r1.jpg, ... in a folder:
// waits until the start file appears, then tries each claim once and writes "<round> won" or
// "<round> lost". Claims stay held until it exits, so the loser of a round can't win it later.
#include "imageclaim.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4)
        return 2;
    const QString folder = arguments[1];
    const int rounds = arguments[2].toInt();
    const QString startFile = arguments[3];
    const int waitLimit = 10000;
    for (int waited = 0; !QFile::exists(startFile); ++waited) {
        if (waited > waitLimit)
            return 3;
        QThread::usleep(200);
    }
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
    return 0;
}
