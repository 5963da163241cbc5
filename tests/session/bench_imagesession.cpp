// What keeping the unsaved state costs on an image with 1,000 tagged shapes: one write of
// the recovery file, and the save rule's comparison that every edit asks.
#include "imagesession.h"

#include <QtTest>

class BenchImageSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        session.open(dir.filePath("room.jpg"), dir.filePath("room.lbl"));
        for (int i = 0; i < 1000; ++i) {
            Label shape;
            const int x = (i % 40) * 47 + 5;
            const int y = (i / 40) * 41 + 5;
            shape.points = {{x, y}, {x + 40, y + 4}, {x + 38, y + 35}, {x - 3, y + 33}};
            shape.tags = {{0, i % 6}, {2, 1 + i % 5}};
            session.record(AnnotationChange::shapeAdded(session.annotation(), shape, -1));
        }
        // Saved, so that the save rule compares the bytes of every shape.
        QVERIFY(session.save());
    }

    // A drag moves the shape on, so every write has new bytes.
    void recoveryWrite()
    {
        std::vector<QPoint> corners = session.annotation().labels[500].points;
        QBENCHMARK
        {
            for (QPoint& corner : corners)
                corner.rx() += 1;
            session.moveShapeLive(500, corners);
            session.keepRecoveryNow();
        }
        QVERIFY(QFile::exists(session.recoveryPath()));
    }

    void saveRuleComparison()
    {
        bool modified = false;
        QBENCHMARK
        {
            modified = session.needsSaving();
        }
        QVERIFY(modified);
    }

private:
    QTemporaryDir dir;
    ImageSession session;
};

QTEST_GUILESS_MAIN(BenchImageSession)
#include "bench_imagesession.moc"
