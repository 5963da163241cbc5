#include "labelviewertest.h"

#include "cerrcapture.h"

#include <QDir>
#include <QFile>
#include <QTest>

void LabelViewerTest::init()
{
    // The index file always lands in the working directory.
    workDir = std::make_unique<QTemporaryDir>();
    QVERIFY(workDir->isValid());
    previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workDir->path()));
}

void LabelViewerTest::cleanup()
{
    QDir::setCurrent(previousDir);
    workDir.reset();
}

std::unique_ptr<LabelViewer> LabelViewerTest::loadedTable(const QByteArray& vocabulary)
{
    writeFile(QStringLiteral("tags"), vocabulary);
    auto table = std::make_unique<LabelViewer>(nullptr);
    CerrCapture silenced;
    const bool loaded = table->loadTags("tags");
    return loaded ? std::move(table) : nullptr;
}

void LabelViewerTest::writeFile(const QString& name, const QByteArray& content)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QByteArray LabelViewerTest::readFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
