#include "imageannotation.h"

#include <QtTest>

class TestAnnotation : public QObject
{
    Q_OBJECT

private:
    static Label square(int origin, std::vector<std::pair<int, int>> tags = {})
    {
        Label label;
        label.points = {QPoint(origin, origin), QPoint(origin + 10, origin),
                        QPoint(origin + 10, origin + 10), QPoint(origin, origin + 10)};
        label.tags = std::move(tags);
        return label;
    }

private slots:
    void newAnnotationHasStyleNoneAndSixteenNamesInFileOrder()
    {
        const ImageAnnotation annotation;
        QCOMPARE(annotation.styleIndex, 0);
        QVERIFY(annotation.labels.empty());
        const QStringList expected = {
            "None",  "Scandinavian",  "Southeast Asian", "Korean",      "Japanese", "Chinese",
            "Jane",  "American",      "Neoclassical",    "European",    "Mixture",  "Post-modern",
            "Retro", "Mediterranean", "Pastoralism",     "Modern Brief"};
        QCOMPARE(annotation.styleNames, expected);
    }

    void clearForgetsStyleAndShapesButKeepsNames()
    {
        ImageAnnotation annotation;
        annotation.styleIndex = 7;
        annotation.labels = {square(0), square(20), square(40)};
        annotation.clear();
        QCOMPARE(annotation.styleIndex, 0);
        QVERIFY(annotation.labels.empty());
        QCOMPARE(annotation.styleNames, ImageAnnotation().styleNames);
    }

    void appendedLabelIsAnIndependentCopy()
    {
        ImageAnnotation annotation;
        Label label = square(0, {{1, 2}});
        label.text = "Sofa\n";
        annotation.labels.push_back(label);
        const Label stored = label;

        label.points[0] = QPoint(99, 99);
        label.tags.clear();
        label.text.clear();

        QCOMPARE(annotation.labels[0], stored);
    }

    void copiesDoNotShareLaterChanges()
    {
        ImageAnnotation source;
        source.styleIndex = 3;
        source.labels = {square(0, {{0, 1}})};
        ImageAnnotation copy(source);
        copy.labels[0].points[2] = QPoint(-5, -5);
        copy.labels[0].tags.emplace_back(4, 4);
        QCOMPARE(source.labels[0], square(0, {{0, 1}}));
        QVERIFY(copy != source);
    }

    void assignmentReplacesAllShapesAndStyle()
    {
        ImageAnnotation target;
        target.styleIndex = 2;
        for (int i = 0; i < 5; ++i)
            target.labels.push_back(square(i * 20));
        ImageAnnotation source;
        source.styleIndex = 12;
        source.labels = {square(100, {{3, 3}})};

        target = source;
        QCOMPARE(target.styleIndex, 12);
        QCOMPARE(target.labels.size(), std::size_t(1));
        QCOMPARE(target.labels[0], square(100, {{3, 3}}));
        QCOMPARE(target.styleNames.size(), 16);
    }

    void erasingKeepsTheOrderOfTheRest_data()
    {
        QTest::addColumn<int>("erased");
        QTest::addColumn<QList<int>>("remainingOrigins");
        QTest::newRow("first") << 0 << QList<int>{20, 40};
        QTest::newRow("middle") << 1 << QList<int>{0, 40};
        QTest::newRow("last") << 2 << QList<int>{0, 20};
    }

    void erasingKeepsTheOrderOfTheRest()
    {
        QFETCH(int, erased);
        QFETCH(QList<int>, remainingOrigins);
        ImageAnnotation annotation;
        annotation.labels = {square(0), square(20), square(40)};
        annotation.labels.erase(annotation.labels.begin() + erased);
        QCOMPARE(int(annotation.labels.size()), remainingOrigins.size());
        for (int i = 0; i < remainingOrigins.size(); ++i)
            QCOMPARE(annotation.labels[i], square(remainingOrigins[i]));
    }
};

QTEST_APPLESS_MAIN(TestAnnotation)
#include "test_annotation.moc"
