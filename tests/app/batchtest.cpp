#include "batchtest.h"

#include "batchlistmodel.h"
#include "labelpath.h"
#include "quadrotag.h"
#include "workflowfixture.h"

#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QtTest>

void BatchTest::makeJobFolder(const QList<int>& labelled)
{
    QVERIFY(QDir(dir->path()).mkpath("job/sub"));
    QVERIFY(QDir(dir->path()).mkpath("job/folder.jpg"));
    for (const QString& name : jobImages)
        QVERIFY(writeTestJpeg(jobPath(name), 400, 300, 100));
    for (int position : labelled)
        QVERIFY(writeFileBytes(jobPath(jobLabels[position]), storedLabel));
    QVERIFY(writeTestJpeg(jobPath("sub/img0.jpg"), 40, 30, 100));
    QVERIFY(writeTestJpeg(jobPath(".hidden.jpg"), 40, 30, 100));
    QVERIFY(writeFileBytes(jobPath("notes.txt"), "not an image"));
}

void BatchTest::writeProposal(const QString& imagePath, const QByteArray& bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(proposalPathFor(imagePath)).path()));
    QVERIFY(writeFileBytes(proposalPathFor(imagePath), bytes));
}

void BatchTest::addTaggedShape()
{
    drawSquare(20, 20, 50);
    clickTag(0, 0);
}

QListView* BatchTest::imagesList() const
{
    return window->findChild<QListView*>("imagesView");
}

QString BatchTest::progress() const
{
    return window->findChild<QLabel*>("progressLabel")->text();
}

QStringList BatchTest::listedNames() const
{
    QStringList names;
    const QAbstractItemModel* model = imagesList()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 0).data().toString();
    return names;
}

QList<int> BatchTest::markedRows() const
{
    return rowsWith(BatchListModel::LabelledRole);
}

QList<int> BatchTest::rowsWith(int role) const
{
    QList<int> rows;
    const QAbstractItemModel* model = imagesList()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, 0).data(role).toBool())
            rows << row;
    return rows;
}

void BatchTest::checkListShows(int row)
{
    const QAbstractItemModel* model = imagesList()->model();
    for (int other = 0; other < model->rowCount(); ++other)
        QCOMPARE(model->index(other, 0).data(Qt::FontRole).value<QFont>().bold(), other == row);
    QCOMPARE(imagesList()->currentIndex().row(), row);
}

void BatchTest::clickListRow(int row)
{
    window->findChild<QDockWidget*>("imagesDock")->show();
    const QRect rowRect = imagesList()->visualRect(imagesList()->model()->index(row, 0));
    QVERIFY(!rowRect.isEmpty());
    QTest::mouseClick(imagesList()->viewport(), Qt::LeftButton, {}, rowRect.center());
    waitForImage();
}

QLineEdit* BatchTest::filterField() const
{
    return window->findChild<QLineEdit*>("filterField");
}

void BatchTest::typeFilter(const QString& text, int state)
{
    window->findChild<QComboBox*>("stateChooser")->setCurrentIndex(state);
    pressKey(Qt::Key_L, Qt::ControlModifier);
    QVERIFY(filterField()->hasFocus());
    QTest::keyClicks(filterField(), text);
}
