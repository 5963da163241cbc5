#include "importtest.h"

#include "workflowfixture.h"

#include <QDir>
#include <QTest>

namespace {
const char importer[] = QUADROTAG_IMPORT_EXECUTABLE;
} // namespace

void ImportTest::makeRoot()
{
    QVERIFY(root.isValid());
    QVERIFY(writeFileBytes(path("tags"), testVocabulary));
}

void ImportTest::buildDataset()
{
    QVERIFY(QDir().mkpath(path("ds/sub")));
    QVERIFY(writeTestJpeg(path("ds/room1.jpg"), 64, 48, 120));
    QVERIFY(
        writeLabels(path("ds/room1.lbl"), 3, {shape({{1, 1}, {9, 1}, {9, 9}, {1, 9}}, {{0, 4}})}));
    QVERIFY(writeTestJpeg(path("ds/sub/room2.jpg"), 64, 48, 80));
}

void ImportTest::init()
{
    for (const char* folder :
         {"ds/.proposals", "ds/sub/.proposals", "rt/.proposals", "rt/sub/.proposals"})
        QVERIFY(QDir(path(folder)).removeRecursively());
}

ProgramRun ImportTest::import(const QStringList& arguments) const
{
    return runProgram(importerProgram(), root.path(), arguments);
}

QString ImportTest::importerProgram()
{
    return QString::fromLatin1(importer);
}
