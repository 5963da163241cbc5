// Claimants of one label file, driven step by step under one fake clock through every order
// of their steps: whatever the order, every write to the label file is by the claim's holder,
// as the claim file says at that moment.
#include "imageclaim.h"
#include "teampaths.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

enum class Step { Take, Write, Pause, Release };

// What a program does: takes the image, writes after confirming its claim, is stopped past the
// stale time, gives the image up.
struct Claimant
{
    std::unique_ptr<ImageClaim> claim;
    std::vector<Step> steps;
    std::size_t next = 0;
};

struct Tally
{
    int writes = 0;
    int writesByNonHolder = 0;
    int takeovers = 0;
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class Run
{
public:
    Run(const QString& folder, const std::vector<std::vector<Step>>& scripts)
        : image(folder + QStringLiteral("/room1.jpg")), claimFile(claimPathFor(image))
    {
        for (std::size_t i = 0; i < scripts.size(); ++i) {
            Claimant claimant;
            claimant.claim =
                std::make_unique<ImageClaim>(QStringLiteral("op%1").arg(i), [this] { return now; });
            claimant.steps = scripts[i];
            claimants.push_back(std::move(claimant));
        }
    }

    bool isDone(std::size_t who) const
    {
        return claimants[who].next == claimants[who].steps.size();
    }

    void step(std::size_t who, Tally& tally)
    {
        Claimant& claimant = claimants[who];
        const QByteArray before = readAll(claimFile);
        switch (claimant.steps[claimant.next++]) {
        case Step::Take:
            if (claimant.claim->take(image) == ImageClaim::Result::Held && !before.isEmpty() &&
                before != claimant.claim->self().toBytes())
                ++tally.takeovers;
            break;
        case Step::Write:
            // What the program does before every write: confirm the claim, else write nothing.
            if (claimant.claim->refresh()) {
                ++tally.writes;
                if (readAll(claimFile) != claimant.claim->self().toBytes())
                    ++tally.writesByNonHolder;
            }
            break;
        case Step::Pause:
            now += (Claim::staleAfterSeconds + 5) * 1000;
            break;
        case Step::Release:
            claimant.claim->release();
            break;
        }
    }

    // The holders' refresh every 15 s of the claimants not stopped.
    void tick() { now += 15000; }

private:
    qint64 now = 0;
    QString image;
    QString claimFile;
    std::vector<Claimant> claimants;
};

// Every sequence of the claimants' step indices that keeps each claimant's own order.
void everyOrder(std::vector<std::size_t> left, std::vector<std::size_t>& order,
                std::vector<std::vector<std::size_t>>& orders)
{
    bool any = false;
    for (std::size_t who = 0; who < left.size(); ++who) {
        if (left[who] == 0)
            continue;
        any = true;
        --left[who];
        order.push_back(who);
        everyOrder(left, order, orders);
        order.pop_back();
        ++left[who];
    }
    if (!any)
        orders.push_back(order);
}

} // namespace

class TestClaimInterleavings : public QObject
{
    Q_OBJECT

private slots:
    void everyOrderOfTwoClaimantsWritesOnlyAsHolder_data()
    {
        QTest::addColumn<QList<int>>("first");
        QTest::addColumn<QList<int>>("second");
        using S = Step;
        const auto of = [](std::initializer_list<S> steps) {
            QList<int> list;
            for (const S step : steps)
                list << int(step);
            return list;
        };
        QTest::newRow("both write, one pauses") << of({S::Take, S::Write, S::Pause, S::Write})
                                                << of({S::Take, S::Write, S::Take, S::Write});
        QTest::newRow("both pause") << of({S::Take, S::Pause, S::Write, S::Release})
                                    << of({S::Take, S::Pause, S::Take, S::Write});
        QTest::newRow("release and retake") << of({S::Take, S::Write, S::Release, S::Take})
                                            << of({S::Take, S::Write, S::Take, S::Write});
        QTest::newRow("paused holder released late")
            << of({S::Take, S::Pause, S::Release, S::Write})
            << of({S::Take, S::Take, S::Write, S::Write});
    }
    void everyOrderOfTwoClaimantsWritesOnlyAsHolder()
    {
        QFETCH(QList<int>, first);
        QFETCH(QList<int>, second);
        const auto script = [](const QList<int>& steps) {
            std::vector<Step> script;
            for (const int step : steps)
                script.push_back(Step(step));
            return script;
        };
        std::vector<std::vector<std::size_t>> orders;
        std::vector<std::size_t> order;
        everyOrder({std::size_t(first.size()), std::size_t(second.size())}, order, orders);
        QCOMPARE(orders.size(), std::size_t(70));
        Tally tally;
        for (const std::vector<std::size_t>& each : orders) {
            QTemporaryDir dir;
            Run run(dir.path(), {script(first), script(second)});
            for (const std::size_t who : each) {
                run.step(who, tally);
                run.tick();
            }
        }
        qInfo("%zu orders, %d writes, %d takeovers, writes by a non-holder: %d", orders.size(),
              tally.writes, tally.takeovers, tally.writesByNonHolder);
        QVERIFY(tally.writes > 0);
        QCOMPARE(tally.writesByNonHolder, 0);
    }

    void randomOrdersOfThreeClaimantsWriteOnlyAsHolder()
    {
        QRandomGenerator random(35);
        Tally tally;
        const int runs = 150;
        for (int r = 0; r < runs; ++r) {
            std::vector<std::vector<Step>> scripts(3);
            for (auto& script : scripts)
                for (int s = 0; s < 6; ++s)
                    script.push_back(Step(random.bounded(4)));
            QTemporaryDir dir;
            Run run(dir.path(), scripts);
            for (;;) {
                std::vector<std::size_t> ready;
                for (std::size_t who = 0; who < scripts.size(); ++who)
                    if (!run.isDone(who))
                        ready.push_back(who);
                if (ready.empty())
                    break;
                run.step(ready[random.bounded(int(ready.size()))], tally);
                run.tick();
            }
        }
        qInfo("%d random runs, %d writes, %d takeovers, writes by a non-holder: %d", runs,
              tally.writes, tally.takeovers, tally.writesByNonHolder);
        QVERIFY(tally.writes > 0);
        QVERIFY(tally.takeovers > 0);
        QCOMPARE(tally.writesByNonHolder, 0);
    }
};

QTEST_GUILESS_MAIN(TestClaimInterleavings)
#include "test_claiminterleavings.moc"
