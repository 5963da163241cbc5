#include "labelfile.h"

#include <QtTest>

// Writes and reads back a label file of 10,000 tagged shapes.
class BenchLabelFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    ImageAnnotation annotation;

private slots:
    void initTestCase()
    {
        for (int i = 0; i < 10000; ++i) {
            Label label;
            label.points = {{i, i}, {i + 320, i}, {i + 320, i + 240}, {i, i + 240}};
            label.tags = {{i % 40, 1 + i % 5}, {i % 40 + 1, 2}};
            annotation.labels.push_back(label);
        }
    }

    void writeTenThousandShapes()
    {
        const std::string path = QFile::encodeName(dir.filePath("bench.lbl")).toStdString();
        QBENCHMARK
        {
            QVERIFY(writeLabelFile(annotation, path));
        }
    }

    void readTenThousandShapes()
    {
        const std::string path = QFile::encodeName(dir.filePath("bench.lbl")).toStdString();
        QVERIFY(writeLabelFile(annotation, path));
        QBENCHMARK
        {
            ImageAnnotation back;
            QVERIFY(readLabelFile(back, path));
            QCOMPARE(back.labels.size(), annotation.labels.size());
        }
    }
};

QTEST_APPLESS_MAIN(BenchLabelFile)
#include "bench_labelfile.moc"
