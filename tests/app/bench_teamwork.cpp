// The costs a team adds: taking and releasing the claim of an image on a local disk (each
// image shown pays it once), and renewing the Images list's lock marks over a batch of 10,000
// images of which 20 are held by others (what the window does every 15 seconds).
#include "batchlistmodel.h"
#include "imageclaim.h"
#include "teamdesk.h"
#include "teampaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

class BenchTeamwork : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void takeAndReleaseAClaim();
    void renewLockMarks();

private:
    QTemporaryDir dir;
    QStringList imagePaths;
    const int imageCount = 10000;
    const int heldCount = 20;
};

void BenchTeamwork::initTestCase()
{
    // Only names: the marks come from the claims folder, never from the images.
    for (int i = 0; i < imageCount; ++i)
        imagePaths << dir.filePath(QStringLiteral("room%1.jpg").arg(i));
    Claim other = Claim::ofThisProcess(QStringLiteral("bob"));
    other.pid = 1;
    QVERIFY(QDir().mkpath(QFileInfo(claimPathFor(imagePaths[0])).path()));
    for (int i = 0; i < heldCount; ++i) {
        QFile claim(claimPathFor(imagePaths[i * (imageCount / heldCount)]));
        QVERIFY(claim.open(QIODevice::WriteOnly));
        claim.write(other.toBytes());
    }
}

void BenchTeamwork::takeAndReleaseAClaim()
{
    ImageClaim claim(QStringLiteral("ann"));
    const QString image = imagePaths[1];
    QBENCHMARK
    {
        if (claim.take(image) != ImageClaim::Result::Held)
            QFAIL("claim not taken");
        claim.release();
    }
}

void BenchTeamwork::renewLockMarks()
{
    TeamDesk team(QStringLiteral("ann"));
    BatchListModel list;
    list.setBatch(imagePaths, std::vector<bool>(std::size_t(imageCount), false));
    QBENCHMARK
    {
        list.setHolders(team.holdersOf(imagePaths));
    }
    int held = 0;
    for (int row = 0; row < imageCount; ++row)
        held += list.isHeld(row) ? 1 : 0;
    QCOMPARE(held, heldCount);
}

QTEST_MAIN(BenchTeamwork)
#include "bench_teamwork.moc"
