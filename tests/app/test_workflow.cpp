#include "labelfile.h"
#include "labelpath.h"
#include "librarylogging.h"
#include "quadrotag.h"
#include "windowtest.h"
#include "workflowfixture.h"

#include <QtTest>

#include <QDockWidget>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QStatusBar>

#include <memory>
#include <set>
#include <unistd.h>

using TagPairs = std::vector<std::pair<int, int>>;

class TestWorkflow : public WindowTest
{
    Q_OBJECT

private:
    // A job folder, in natural order; plain order would put "img10" before "img2".
    const QStringList jobImages = {"img1.jpg", "img2.JPG", "img3.Jpg", "img10.jpg", "img11.jpg"};
    const QStringList jobLabels = {"img1.lbl", "img2.lbl", "img3.lbl", "img10.lbl", "img11.lbl"};
    const QByteArray storedLabel = "0\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n";

    QString jobPath(const QString& name = QString()) const { return pathOf("job/" + name); }

    // The job folder with label files beside the images at these positions, and
    // things that are not its images: a subfolder with a JPEG, a folder named like a
    // JPEG, a hidden JPEG and a text file.
    void makeJobFolder(const QList<int>& labelled)
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

    QListView* imagesList() const { return window->findChild<QListView*>("imagesView"); }
    QString progress() const { return window->findChild<QLabel*>("progressLabel")->text(); }

    QStringList listedNames() const
    {
        QStringList names;
        const QAbstractItemModel* model = imagesList()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names << model->index(row, 0).data().toString();
        return names;
    }

    QList<int> markedRows() const { return rowsWith(BatchListModel::LabelledRole); }

    QList<int> rowsWith(int role) const
    {
        QList<int> rows;
        const QAbstractItemModel* model = imagesList()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->index(row, 0).data(role).toBool())
                rows << row;
        return rows;
    }

    // Two tagged shapes as a model would propose them for a.jpg, in the writer's layout.
    const QByteArray proposal = "0\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n"
                                "4 200 10 260 10 260 60 200 60 \n1 0 2 \n";

    void writeProposal(const QString& imagePath, const QByteArray& bytes)
    {
        QVERIFY(QDir().mkpath(QFileInfo(proposalPathFor(imagePath)).path()));
        QVERIFY(writeFileBytes(proposalPathFor(imagePath), bytes));
    }

    QLineEdit* filterField() const { return window->findChild<QLineEdit*>("filterField"); }

    void typeFilter(const QString& text, int state = 0)
    {
        window->findChild<QComboBox*>("stateChooser")->setCurrentIndex(state);
        pressKey(Qt::Key_L, Qt::ControlModifier);
        QVERIFY(filterField()->hasFocus());
        QTest::keyClicks(filterField(), text);
    }

    // The image on screen as the list shows it: in bold, and the list's current row.
    void checkListShows(int row)
    {
        const QAbstractItemModel* model = imagesList()->model();
        for (int other = 0; other < model->rowCount(); ++other)
            QCOMPARE(model->index(other, 0).data(Qt::FontRole).value<QFont>().bold(), other == row);
        QCOMPARE(imagesList()->currentIndex().row(), row);
    }

    void clickListRow(int row)
    {
        window->findChild<QDockWidget*>("imagesDock")->show();
        const QRect rowRect = imagesList()->visualRect(imagesList()->model()->index(row, 0));
        QVERIFY(!rowRect.isEmpty());
        QTest::mouseClick(imagesList()->viewport(), Qt::LeftButton, {}, rowRect.center());
    }

    void addTaggedShape()
    {
        drawSquare(20, 20, 50);
        clickTag(0, 0);
    }

    static QColor pixelAt(QWidget* widget, const QPoint& position)
    {
        return widget->grab().toImage().pixelColor(position);
    }

    QString zoomText() const
    {
        for (const QLabel* label : window->statusBar()->findChildren<QLabel*>())
            if (label->text().endsWith(" %"))
                return label->text();
        return "<no zoom level>";
    }

    void openImageOfSize(const QString& name, int width, int height)
    {
        QVERIFY(writeTestJpeg(pathOf(name), width, height, 128));
        openBatch({pathOf(name)});
    }

    // As the window system delivers it: to the viewport, where the canvas passes it on.
    void wheel(int delta, const QPointF& position, Qt::KeyboardModifiers modifiers)
    {
        QWidget* viewport = viewer()->viewport();
        QWheelEvent event(position, viewport->mapToGlobal(position), QPoint(), QPoint(0, delta),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    }

    // Zoom inputs as written in the test tables: key sequences, or "wheel" or
    // "plain wheel" with an angle.
    void zoomBy(const QString& input)
    {
        const QStringList words = input.split(' ');
        const QPointF centre = QRectF(viewer()->viewport()->rect()).center();
        if (words[0] == "wheel")
            wheel(words[1].toInt(), centre, Qt::ControlModifier);
        else if (words[0] == "plain")
            wheel(words[2].toInt(), centre, Qt::NoModifier);
        else
            QTest::keySequence(window.get(), QKeySequence(input));
    }

    // Where the image point lies in the viewport at the current zoom and scroll.
    QPointF inViewport(const QPointF& imagePoint) const
    {
        return canvas()->viewTransform().toCanvas(imagePoint) + QPointF(canvas()->pos());
    }

    QPointF imagePointAt(const QPointF& viewportPosition) const
    {
        return canvas()->viewTransform().toImage(viewportPosition - QPointF(canvas()->pos()));
    }

private slots:
    void drawnAndTaggedShapeIsSavedAndRestored()
    {
        {
            StdoutCapture out;
            openBatch(batch);
            QCOMPARE(out.text(), std::string("3\n"));
        }
        QCOMPARE(status(), "1/3  " + batch[0]);
        {
            StdoutCapture out;
            drawSquare(20, 20, 100);
            QCOMPARE(out.text(), std::string("Active shape: -1\nShape Added!\n"));
        }
        clickTag(0, 1);
        clickTag(2, 2);
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QCOMPARE(annotation().labels[0].tags, TagPairs({{0, 1}, {2, 2}}));
        QCOMPARE(annotation().labels[0].text, QString("S2\nK: T2\n"));
        styleChooser()->setCurrentIndex(4);

        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")),
                 QByteArray("4\n4 20 20 120 20 120 120 20 120 \n2 0 1 2 2 \n"));
        QCOMPARE(status(), "2/3  " + batch[1]);
        QVERIFY(annotation().labels.empty());
        QCOMPARE(styleChooser()->currentIndex(), 0);
        QVERIFY(!QFile::exists(pathOf("b.lbl")));

        pressKey(Qt::Key_Up);
        QCOMPARE(status(), "1/3  " + batch[0]);
        QCOMPARE(styleChooser()->currentIndex(), 4);
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QCOMPARE(annotation().labels[0].points,
                 std::vector<QPoint>({{20, 20}, {120, 20}, {120, 120}, {20, 120}}));
        QCOMPARE(annotation().labels[0].text, QString("S2\nK: T2\n"));
        QVERIFY(selectedCells().empty());
        const QColor fill = pixelAt(canvas(), {100, 30});
        QVERIFY2(fill.green() > fill.red() + 20, qPrintable(fill.name()));

        StdoutCapture out;
        QTest::mousePress(canvas(), Qt::RightButton, {}, {60, 60});
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, {60, 60});
        QCOMPARE(out.text(), std::string("Active shape: 0\n"));
        QCOMPARE(selectedCells(), (std::set<std::pair<int, int>>{{0, 1}, {2, 2}}));
        const QColor active = pixelAt(canvas(), {100, 30});
        QVERIFY2(active.red() > active.green() + 20, qPrintable(active.name()));
    }

    void dragMovesFromTheAnchorWithoutDrift()
    {
        openBatch(batch);
        drawSquare(100, 100, 100);
        QTest::mouseClick(canvas(), Qt::LeftButton, {}, {300, 20}); // starts another shape
        QTest::mousePress(canvas(), Qt::RightButton, {}, {150, 150});
        QTest::mouseMove(canvas(), {160, 145});
        QCOMPARE(annotation().labels[0].points,
                 std::vector<QPoint>({{110, 95}, {210, 95}, {210, 195}, {110, 195}}));
        for (int step = 0; step < 20; ++step)
            QTest::mouseMove(canvas(), {150 + step * 3, 150 - step});
        QTest::mouseMove(canvas(), {150, 150});
        QCOMPARE(annotation().labels[0].points,
                 std::vector<QPoint>({{100, 100}, {200, 100}, {200, 200}, {100, 200}}));
        // The shape stops at the image's corner.
        QTest::mouseMove(canvas(), {40, 40});
        QCOMPARE(annotation().labels[0].points[0], QPoint(0, 0));
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, {40, 40});
        QTest::mouseMove(canvas(), {90, 90});
        QCOMPARE(annotation().labels[0].points[0], QPoint(0, 0));
    }

    void deleteRemovesActiveShapeAndEmptyAnnotationIsSaved()
    {
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "3\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n"
                                                "4 200 10 260 10 260 60 200 60 \n1 0 2 \n"));
        openBatch(batch);
        QCOMPARE(annotation().labels.size(), std::size_t(2));
        QCOMPARE(styleChooser()->currentIndex(), 3);

        pressKey(Qt::Key_Delete);
        QCOMPARE(annotation().labels.size(), std::size_t(2));

        for (const QPoint& inside : {QPoint(30, 30), QPoint(230, 30)}) {
            QTest::mousePress(canvas(), Qt::RightButton, {}, inside);
            QTest::mouseRelease(canvas(), Qt::RightButton, {}, inside);
            pressKey(Qt::Key_Delete);
            QVERIFY(selectedCells().empty());
        }
        QVERIFY(annotation().labels.empty());

        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("3\n"));
        pressKey(Qt::Key_Down);
        QVERIFY(!QFile::exists(pathOf("b.lbl")));
    }

    // Deleting a shape held by the mouse would record its mid-drag corners.
    void deleteIsIgnoredWhileAShapeIsHeld()
    {
        openBatch(batch);
        drawSquare(10, 10, 50);
        drawSquare(100, 10, 50);
        QTest::mousePress(canvas(), Qt::RightButton, {}, {120, 30});
        QTest::mouseMove(canvas(), {130, 50});
        pressKey(Qt::Key_Delete);
        QTest::mouseMove(canvas(), {140, 60});
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, {140, 60});
        QCOMPARE(annotation().labels.size(), std::size_t(2));
        QCOMPARE(annotation().labels[1].points[0], QPoint(120, 40));
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(annotation().labels[1].points[0], QPoint(100, 10));
    }

    void spaceHidesAndShowsCaptions()
    {
        openBatch(batch);
        drawSquare(20, 20, 100);
        clickTag(0, 0);
        QTest::mouseClick(canvas(), Qt::RightButton, {}, {350, 250});
        const QImage shown = canvas()->grab().toImage();
        pressKey(Qt::Key_Space);
        const QImage hidden = canvas()->grab().toImage();
        QVERIFY(shown != hidden);
        pressKey(Qt::Key_Space);
        QCOMPARE(canvas()->grab().toImage(), shown);
    }

    // A style is annotation work of its own; "None" alone is nothing to store.
    void styleOfImageWithoutShapesIsStored()
    {
        openBatch(batch);
        styleChooser()->setCurrentIndex(9);
        pressKey(Qt::Key_Down);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("9\n"));
        QVERIFY(!QFile::exists(pathOf("b.lbl")));
    }

    void nextOnLastAndPreviousOnFirstOnlySave()
    {
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 3);
        pressKey(Qt::Key_Up);
        QCOMPARE(status(), "1/3  " + batch[0]);
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 3 \n"));

        pressKey(Qt::Key_Down);
        pressKey(Qt::Key_Down);
        drawSquare(30, 30, 50);
        clickTag(6, 0);
        pressKey(Qt::Key_Down);
        QCOMPARE(status(), "3/3  " + batch[2]);
        QCOMPARE(fileBytes(pathOf("c.lbl")), QByteArray("0\n4 30 30 80 30 80 80 30 80 \n1 6 0 \n"));
        QCOMPARE(annotation().labels.size(), std::size_t(1));
    }

    void cancelledDialogChangesNothing_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("Open Images") << false;
        QTest::newRow("Open Folder") << true;
    }

    void cancelledDialogChangesNothing()
    {
        QFETCH(bool, folder);
        openBatch(batch);
        drawSquare(20, 20, 50);
        QTimer::singleShot(200, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        StdoutCapture out;
        folder ? window->slotOpenFolder() : window->slotOpenImages();
        QCOMPARE(out.text(), std::string());
        QCOMPARE(status(), "1/3  " + batch[0]);
        QCOMPARE(annotation().labels.size(), std::size_t(1));
    }

    void folderBecomesTheBatchInNaturalOrder()
    {
        makeJobFolder({0, 1, 3});
        {
            StdoutCapture out;
            window->openFolder(jobPath());
            QCOMPARE(out.text(), std::string("5\n"));
        }
        QCOMPARE(listedNames(), jobImages);
        QCOMPARE(markedRows(), QList<int>({0, 1, 3}));
        QCOMPARE(status(), "3/5  " + jobPath("img3.Jpg"));
        checkListShows(2);
        QCOMPARE(progress(), QString("3 of 5 labelled"));

        pressKey(Qt::Key_Up);
        QCOMPARE(status(), "2/5  " + jobPath("img2.JPG"));
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        checkListShows(1);
    }

    void folderStartsAtTheFirstImageWithoutALabelFile_data()
    {
        QTest::addColumn<QList<int>>("labelled");
        QTest::addColumn<QList<int>>("proposed");
        QTest::addColumn<int>("start");
        QTest::newRow("none labelled") << QList<int>() << QList<int>() << 0;
        QTest::newRow("first two labelled") << QList<int>({0, 1}) << QList<int>() << 2;
        QTest::newRow("only the last unlabelled") << QList<int>({0, 1, 2, 3}) << QList<int>() << 4;
        QTest::newRow("all labelled, from the first")
            << QList<int>({0, 1, 2, 3, 4}) << QList<int>() << 0;
        // A proposal waits for review; labelling goes on where nothing is yet.
        QTest::newRow("proposals passed over") << QList<int>({0}) << QList<int>({1, 2}) << 3;
        QTest::newRow("all labelled or proposed, from the first")
            << QList<int>({1}) << QList<int>({0, 2, 3, 4}) << 0;
    }

    void folderStartsAtTheFirstImageWithoutALabelFile()
    {
        QFETCH(QList<int>, labelled);
        QFETCH(QList<int>, proposed);
        QFETCH(int, start);
        makeJobFolder(labelled);
        for (int position : proposed)
            writeProposal(jobPath(jobImages[position]), proposal);
        window->openFolder(jobPath());
        QCOMPARE(window->imageSession().imagePath(), jobPath(jobImages[start]));
        QCOMPARE(markedRows(), labelled);
        QString progressText = QString("%1 of 5 labelled").arg(labelled.size());
        if (!proposed.isEmpty())
            progressText += QString(", %1 proposed").arg(proposed.size());
        QCOMPARE(progress(), progressText);
    }

    void folderOpenedAfterAnEditCountsTheImageJustSaved()
    {
        openBatch(batch);
        addTaggedShape();
        window->openFolder(dir->path());
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"));
        QCOMPARE(status(), "2/3  " + batch[1]);
        QCOMPARE(markedRows(), QList<int>({0}));
    }

    void folderWithoutJpegsChangesNothing_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty folder named like a JPEG") << "job/folder.jpg";
        QTest::newRow("JPEGs only in a subfolder") << "outer";
    }

    void folderWithoutJpegsChangesNothing()
    {
        QFETCH(QString, folder);
        makeJobFolder({});
        QVERIFY(QDir(dir->path()).mkpath("outer/inner"));
        QVERIFY(writeTestJpeg(pathOf("outer/inner/x.jpg"), 40, 30, 100));
        QVERIFY(writeFileBytes(pathOf("outer/x.txt"), "text"));
        openBatch(batch);
        addTaggedShape();

        StdoutCapture out;
        window->openFolder(pathOf(folder));
        QCOMPARE(out.text(), std::string());
        QCOMPARE(status(), "No JPEG images in " + pathOf(folder));
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QVERIFY(window->isWindowModified());
        QCOMPARE(listedNames(), QStringList({"a.jpg", "b.jpg", "c.jpg"}));

        // When the note goes, the position of the image comes back.
        window->statusBar()->clearMessage();
        QCOMPARE(status(), "1/3  " + batch[0]);
    }

    void proposalIsShownAsUnsavedEditsAndStoredOnLeaving_data()
    {
        QTest::addColumn<bool>("emptied");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("accepted unchanged with Down") << false << Qt::Key_Down << proposal;
        QTest::newRow("accepted unchanged with Ctrl+S") << false << Qt::Key_S << proposal;
        QTest::newRow("every shape deleted") << true << Qt::Key_Down << QByteArray("0\n");
    }

    void proposalIsShownAsUnsavedEditsAndStoredOnLeaving()
    {
        QFETCH(bool, emptied);
        QFETCH(Qt::Key, key);
        QFETCH(QByteArray, stored);
        writeProposal(batch[0], proposal);
        openBatch(batch);
        QVERIFY(window->isWindowModified());
        QCOMPARE(status(), QString("2 shapes proposed"));
        QCOMPARE(annotation().labels.size(), std::size_t(2));
        if (emptied)
            for (const QPoint& inside : {QPoint(30, 30), QPoint(230, 30)}) {
                QTest::mouseClick(canvas(), Qt::RightButton, {}, inside);
                pressKey(Qt::Key_Delete);
            }
        pressKey(key, key == Qt::Key_S ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(fileBytes(pathOf("a.lbl")), stored);
        QCOMPARE(fileBytes(proposalPathFor(batch[0])), proposal);
        pressKey(Qt::Key_Up);
        QCOMPARE(annotation().labels.size(), std::size_t(emptied ? 0 : 2));
        QVERIFY(!window->isWindowModified());
    }

    // A reviewer who looks at a proposal and moves on has not accepted it.
    void untouchedProposalIsWrittenOnlyWhenAccepted_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QByteArray>("stored");
        const QByteArray none = "<missing>";
        QTest::newRow("Down") << "Down" << proposal;
        QTest::newRow("Ctrl+S") << "Ctrl+S" << proposal;
        QTest::newRow("Ctrl+Down") << "Ctrl+Down" << proposal;
        QTest::newRow("Enter in the list") << "list Enter" << proposal;
        QTest::newRow("Enter in the filter") << "filter Enter" << proposal;
        QTest::newRow("Up") << "Up" << none;
        QTest::newRow("click in the list") << "list click" << none;
        QTest::newRow("Ctrl+Shift+Down") << "Ctrl+Shift+Down" << none;
        QTest::newRow("another batch") << "open" << none;
        QTest::newRow("close") << "close" << none;
        QTest::newRow("edited, Up")
            << "edit Up" << QByteArray("0\n4 200 10 260 10 260 60 200 60 \n1 0 2 \n");
    }

    void untouchedProposalIsWrittenOnlyWhenAccepted()
    {
        QFETCH(QString, way);
        QFETCH(QByteArray, stored);
        writeProposal(batch[1], proposal);
        openBatch(batch);
        pressKey(Qt::Key_Down);
        QCOMPARE(status(), QString("2 shapes proposed"));
        if (way.startsWith("edit")) {
            QTest::mouseClick(canvas(), Qt::RightButton, {}, {30, 30});
            pressKey(Qt::Key_Delete);
        }
        const QModelIndex third = imagesList()->model()->index(2, 0);
        if (way == "Down" || way.endsWith("Up")) {
            pressKey(way == "Down" ? Qt::Key_Down : Qt::Key_Up);
        } else if (way == "Ctrl+S") {
            pressKey(Qt::Key_S, Qt::ControlModifier);
        } else if (way == "Ctrl+Down") {
            pressKey(Qt::Key_Down, Qt::ControlModifier);
        } else if (way == "Ctrl+Shift+Down") {
            pressKey(Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
        } else if (way == "list Enter") {
            window->findChild<QDockWidget*>("imagesDock")->show();
            imagesList()->setCurrentIndex(third);
            QTest::keyClick(imagesList(), Qt::Key_Return);
        } else if (way == "filter Enter") {
            typeFilter("c.jpg");
            QTest::keyClick(filterField(), Qt::Key_Return);
        } else if (way == "list click") {
            clickListRow(2);
        } else if (way == "open") {
            openBatch({batch[2]});
        } else if (way == "close") {
            QVERIFY(window->close());
        }
        if (way != "Ctrl+S" && way != "close")
            QVERIFY(window->imageSession().imagePath() != batch[1]);
        QCOMPARE(fileBytes(pathOf("b.lbl")), stored);
        QCOMPARE(fileBytes(proposalPathFor(batch[1])), proposal);
        QVERIFY(!QFile::exists(pathOf(".b.lbl.recovery")));
    }

    void proposalOfAnImageWithALabelFileIsIgnored()
    {
        QVERIFY(writeFileBytes(pathOf("a.lbl"), storedLabel));
        writeProposal(batch[0], proposal);
        openBatch(batch);
        QVERIFY(!window->isWindowModified());
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), storedLabel);
    }

    void damagedProposalIsShownAsFarAsItReads()
    {
        writeProposal(batch[0], "0\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n4 200 10 x");
        openBatch(batch);
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QVERIFY(status().startsWith("1 shape proposed (the proposal file is damaged"));
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), storedLabel);
    }

    void listShowsThreeStatesAndCountsProposals()
    {
        makeJobFolder({0, 3});
        writeProposal(jobPath(jobImages[1]), proposal);
        writeProposal(jobPath(jobImages[3]), proposal);
        writeProposal(jobPath(jobImages[4]), proposal);
        window->openFolder(jobPath());
        QCOMPARE(markedRows(), QList<int>({0, 3}));
        QCOMPARE(rowsWith(BatchListModel::ProposedRole), QList<int>({1, 4}));
        QCOMPARE(progress(), QString("2 of 5 labelled, 2 proposed"));
        // Labelling goes on at the first image without either; the proposals wait for review.
        QCOMPARE(status(), "3/5  " + jobPath("img3.Jpg"));
        pressKey(Qt::Key_Up);
        QCOMPARE(status(), QString("2 shapes proposed"));

        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(fileBytes(jobPath("img2.lbl")), proposal);
        QCOMPARE(status(), "3/5  " + jobPath("img3.Jpg"));
        QCOMPARE(progress(), QString("3 of 5 labelled, 1 proposed"));
        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(status(), QString("2 shapes proposed"));
        QCOMPARE(window->imageSession().imagePath(), jobPath("img11.jpg"));
    }

    void filterShowsMatchingImages_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("state");
        QTest::addColumn<QStringList>("listed");
        // The image on screen, img2.JPG, stays listed until it is left.
        QTest::newRow("name, any case")
            << "IMG1" << 0 << QStringList({"img1.jpg", "img2.JPG", "img10.jpg", "img11.jpg"});
        QTest::newRow("tag caption") << "s3" << 0 << QStringList({"img2.JPG", "img10.jpg"});
        QTest::newRow("no match") << "zz" << 0 << QStringList({"img2.JPG"});
        QTest::newRow("unlabelled")
            << "" << 1 << QStringList({"img2.JPG", "img3.Jpg", "img11.jpg"});
        QTest::newRow("proposed") << "" << 2 << QStringList({"img2.JPG", "img11.jpg"});
        QTest::newRow("labelled") << "" << 3 << QStringList({"img1.jpg", "img2.JPG", "img10.jpg"});
        QTest::newRow("empty") << "" << 4 << QStringList({"img1.jpg", "img2.JPG"});
        QTest::newRow("name and state")
            << "img1" << 3 << QStringList({"img1.jpg", "img2.JPG", "img10.jpg"});
    }

    void filterShowsMatchingImages()
    {
        QFETCH(QString, text);
        QFETCH(int, state);
        QFETCH(QStringList, listed);
        makeJobFolder({3});
        QVERIFY(writeFileBytes(jobPath("img1.lbl"), "0\n"));
        QVERIFY(writeFileBytes(jobPath("img10.lbl"), "0\n4 10 10 60 10 60 60 10 60 \n1 0 2 \n"));
        writeProposal(jobPath("img11.jpg"), proposal);
        window->openFolder(jobPath());
        typeFilter(text, state);
        QCOMPARE(listedNames(), listed);
    }

    void filterReadsALabelFileAgainOnceItChanged_data()
    {
        QTest::addColumn<QByteArray>("changed");
        QTest::addColumn<int>("seconds");
        // img10.lbl held (0, 2), S3; another program gives it S5 instead.
        QTest::newRow("same size, later")
            << QByteArray("0\n4 10 10 60 10 60 60 10 60 \n1 0 4 \n") << 60;
        QTest::newRow("other size, same time")
            << QByteArray("0\n4 10 10 60 10 60 60 10 60 \n2 0 4 0 5 \n") << 0;
    }

    void filterReadsALabelFileAgainOnceItChanged()
    {
        QFETCH(QByteArray, changed);
        QFETCH(int, seconds);
        makeJobFolder({});
        const QString labelPath = jobPath("img10.lbl");
        QVERIFY(writeFileBytes(labelPath, "0\n4 10 10 60 10 60 60 10 60 \n1 0 2 \n"));
        window->openFolder(jobPath());
        typeFilter("s3");
        QCOMPARE(listedNames(), QStringList({"img1.jpg", "img10.jpg"}));
        const QDateTime before = QFileInfo(labelPath).lastModified();
        QVERIFY(writeFileBytes(labelPath, changed));
        QFile file(labelPath);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(before.addSecs(seconds), QFileDevice::FileModificationTime));
        file.close();
        filterField()->clear();
        typeFilter("s5");
        QCOMPARE(listedNames(), QStringList({"img1.jpg", "img10.jpg"}));
    }

    void filterKeysMoveThroughTheListedImages()
    {
        makeJobFolder({});
        window->openFolder(jobPath());
        addTaggedShape();
        typeFilter("img1");
        QCOMPARE(listedNames(), QStringList({"img1.jpg", "img10.jpg", "img11.jpg"}));
        // The list filtered again still marks the image on screen as its current row.
        checkListShows(0);
        QTest::keyClick(filterField(), Qt::Key_Return);
        QCOMPARE(fileBytes(jobPath("img1.lbl")),
                 QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"));
        QCOMPARE(status(), "4/5  " + jobPath("img10.jpg"));
        QVERIFY(canvas()->hasFocus());

        pressKey(Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(status(), "5/5  " + jobPath("img11.jpg"));
        pressKey(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
        pressKey(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(status(), "1/5  " + jobPath("img1.jpg"));
        pressKey(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(status(), QString("No listed image before this one"));

        pressKey(Qt::Key_L, Qt::ControlModifier);
        QTest::keyClick(filterField(), Qt::Key_Escape);
        QCOMPARE(filterField()->text(), QString());
        QCOMPARE(listedNames(), jobImages);
    }

    void imageLeavesTheFilteredListWhenLeftAfterAnEdit()
    {
        makeJobFolder({});
        window->openFolder(jobPath());
        typeFilter("", 1);
        QCOMPARE(listedNames(), jobImages);
        addTaggedShape();
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(listedNames(), jobImages);
        pressKey(Qt::Key_Down);
        QCOMPARE(listedNames(), jobImages.mid(1));

        // The tags of a saved image are read again: the filter finds the one just given.
        typeFilter("s5", 0);
        QCOMPARE(listedNames(), QStringList({"img2.JPG"}));
        pressKey(Qt::Key_Up);
        QTest::mouseClick(canvas(), Qt::RightButton, {}, {45, 45});
        clickTag(0, 4);
        pressKey(Qt::Key_Down);
        QCOMPARE(listedNames(), QStringList({"img1.jpg", "img2.JPG"}));
    }

    void clickInTheListSavesAndJumps()
    {
        makeJobFolder({0, 1, 3});
        window->openFolder(jobPath());
        addTaggedShape();
        clickListRow(4);
        QCOMPARE(fileBytes(jobPath("img3.lbl")),
                 QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"));
        QCOMPARE(status(), "5/5  " + jobPath("img11.jpg"));
        QCOMPARE(markedRows(), QList<int>({0, 1, 2, 3}));
        QCOMPARE(progress(), QString("4 of 5 labelled"));
        checkListShows(4);

        // Up and Down keep moving through the batch while the list has the focus.
        QTest::keyClick(imagesList(), Qt::Key_Up);
        QCOMPARE(status(), "4/5  " + jobPath("img10.jpg"));
        checkListShows(3);

        // Enter on the row the keyboard moved to.
        QTest::keyClick(imagesList(), Qt::Key_Home);
        QTest::keyClick(imagesList(), Qt::Key_Return);
        QCOMPARE(status(), "1/5  " + jobPath("img1.jpg"));
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        checkListShows(0);
    }

    void failedSaveLeavesImageAndMarksAsTheyWere()
    {
        makeJobFolder({0});
        QVERIFY(QDir(dir->path()).mkdir("job/img2.lbl"));
        window->openFolder(jobPath());
        QCOMPARE(status(), "2/5  " + jobPath("img2.JPG"));
        addTaggedShape();

        MessageBoxCloser closer;
        clickListRow(3);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(closer.texts, QStringList(3, "Fail writing to " + jobPath("img2.lbl")));
        QCOMPARE(status(), "2/5  " + jobPath("img2.JPG"));
        QCOMPARE(markedRows(), QList<int>({0}));
        QCOMPARE(progress(), QString("1 of 5 labelled"));
        checkListShows(1);
        QCOMPARE(annotation().labels.size(), std::size_t(1));
    }

    void nextUnlabelledSkipsLabelledImagesAndStaysAtTheEnd()
    {
        makeJobFolder({0, 3});
        window->openFolder(jobPath());
        QCOMPARE(status(), "2/5  " + jobPath("img2.JPG"));
        addTaggedShape();
        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(status(), "3/5  " + jobPath("img3.Jpg"));
        QCOMPARE(fileBytes(jobPath("img2.lbl")),
                 QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"));
        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(status(), "5/5  " + jobPath("img11.jpg"));
        checkListShows(4);

        addTaggedShape();
        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(status(), QString("No image without a label file after this one"));
        QVERIFY(QFile::exists(jobPath("img11.lbl")));
        QCOMPARE(progress(), QString("4 of 5 labelled"));
        checkListShows(4);
    }

    void progressFollowsSaves()
    {
        QVERIFY(writeFileBytes(pathOf("b.lbl"), storedLabel));
        openBatch(batch);
        QCOMPARE(progress(), QString("1 of 3 labelled"));
        QCOMPARE(markedRows(), QList<int>({1}));
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(progress(), QString("1 of 3 labelled"));
        addTaggedShape();
        QCOMPARE(progress(), QString("1 of 3 labelled"));
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(progress(), QString("2 of 3 labelled"));
        QCOMPARE(markedRows(), QList<int>({0, 1}));

        // A file removed behind the program's back is noticed at the next visit.
        QVERIFY(QFile::remove(pathOf("b.lbl")));
        pressKey(Qt::Key_Down);
        QCOMPARE(progress(), QString("1 of 3 labelled"));
        QCOMPARE(markedRows(), QList<int>({0}));
    }

    void newBatchSavesTheImageBeingLeft()
    {
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 0);
        openBatch({batch[1], batch[2]});
        QCOMPARE(status(), "1/2  " + batch[1]);
        QVERIFY(annotation().labels.empty());
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"));
    }

    void failedSaveKeepsTheOldBatchOnScreen()
    {
        QVERIFY(QDir(dir->path()).mkdir("a.lbl"));
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 0);
        MessageBoxCloser closer;
        StdoutCapture out;
        openBatch({batch[1], batch[2]});
        QCOMPARE(closer.texts, QStringList("Fail writing to " + pathOf("a.lbl")));
        QCOMPARE(out.text(), std::string());
        QCOMPARE(status(), "1/3  " + batch[0]);
        QCOMPARE(annotation().labels.size(), std::size_t(1));
    }

    // Another operator's file is never overwritten without asking, whichever way the
    // image is left.
    void outsideChangeIsMetByAQuestion_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<int>("shown");
        const QByteArray mine = "0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n";
        const QByteArray theirs = "7\n";
        QTest::newRow("Down, overwrite") << "Overwrite" << Qt::Key_Down << mine << 1;
        QTest::newRow("Down, discard mine") << "Discard My Changes" << Qt::Key_Down << theirs << 0;
        QTest::newRow("Down, cancel") << "Cancel" << Qt::Key_Down << theirs << 0;
        QTest::newRow("Ctrl+S, overwrite") << "Overwrite" << Qt::Key_S << mine << 0;
    }

    void outsideChangeIsMetByAQuestion()
    {
        QFETCH(QString, answer);
        QFETCH(Qt::Key, key);
        QFETCH(QByteArray, written);
        QFETCH(int, shown);
        openBatch(batch);
        addTaggedShape();
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "7\n"));
        {
            MessageBoxCloser closer(answer);
            pressKey(key, key == Qt::Key_S ? Qt::ControlModifier : Qt::NoModifier);
            QCOMPARE(closer.titles, QStringList({"Label File Changed"}));
            QVERIFY(closer.texts.value(0).contains(pathOf("a.lbl")));
        }
        QCOMPARE(fileBytes(pathOf("a.lbl")), written);
        QCOMPARE(status(), QString("%1/3  ").arg(shown + 1) + batch[shown]);
        if (answer == "Discard My Changes")
            QCOMPARE(annotation().styleIndex, 7);
        QCOMPARE(window->isWindowModified(), answer == "Cancel");
    }

    void tagsChosenWhileDrawingBelongToTheNewShape()
    {
        openBatch(batch);
        drawShape({{20, 20}, {70, 20}});
        clickTag(0, 2);
        drawShape({{70, 70}, {20, 70}});
        QCOMPARE(annotation().labels.at(0).tags, (std::vector<std::pair<int, int>>{{0, 2}}));
        QCOMPARE(selectedCells(), (std::set<std::pair<int, int>>{{0, 2}}));
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 2 \n"));
    }

    void closingSavesTheImageOnScreen_data()
    {
        QTest::addColumn<QByteArray>("labelFile");
        QTest::addColumn<bool>("drawTaggedShape");
        QTest::addColumn<bool>("deleteFirstShape");
        QTest::addColumn<QByteArray>("written");

        const QByteArray oneShape = "3\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n";
        QTest::newRow("tagged shape, written as Down would")
            << QByteArray() << true << false
            << QByteArray("4\n4 200 20 250 20 250 70 200 70 \n1 0 1 \n");
        QTest::newRow("every shape deleted, style line alone")
            << oneShape << false << true << QByteArray("3\n");
        QTest::newRow("untouched image without label file writes nothing")
            << QByteArray() << false << false << QByteArray("<missing>");
        QTest::newRow("untouched label file stays") << oneShape << false << false << oneShape;
    }

    void closingSavesTheImageOnScreen()
    {
        QFETCH(QByteArray, labelFile);
        QFETCH(bool, drawTaggedShape);
        QFETCH(bool, deleteFirstShape);
        QFETCH(QByteArray, written);

        if (!labelFile.isEmpty())
            QVERIFY(writeFileBytes(pathOf("a.lbl"), labelFile));
        openBatch(batch);
        if (drawTaggedShape) {
            drawSquare(200, 20, 50);
            clickTag(0, 1);
            styleChooser()->setCurrentIndex(4);
        }
        if (deleteFirstShape) {
            QTest::mouseClick(canvas(), Qt::RightButton, {}, {30, 30});
            pressKey(Qt::Key_Delete);
        }
        MessageBoxCloser closer;
        QVERIFY(window->close());
        QVERIFY(closer.texts.isEmpty());
        QCOMPARE(fileBytes(pathOf("a.lbl")), written);
    }

    void failedSaveOnCloseAsksBeforeLosingTheEdits_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::newRow("default answer keeps the window") << int(QMessageBox::Ok) << false;
        QTest::newRow("closing anyway") << int(QMessageBox::Yes) << true;
    }

    void failedSaveOnCloseAsksBeforeLosingTheEdits()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QVERIFY(QDir(dir->path()).mkdir("a.lbl"));
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 0);

        MessageBoxCloser closer{QMessageBox::StandardButton(answer)};
        QCOMPARE(window->close(), closed);
        QCOMPARE(closer.titles, QStringList({"Warning", "Close"}));
        QCOMPARE(closer.texts[0], "Fail writing to " + pathOf("a.lbl"));
        QCOMPARE(closer.texts[1], QString("The annotation of this image could not be saved. "
                                          "Close anyway and lose its unsaved changes?"));
        QCOMPARE(window->isVisible(), !closed);
    }

    void viewingNeverRewritesALabelFile_data()
    {
        QTest::addColumn<QByteArray>("labelFile");
        QTest::addColumn<bool>("warned");
        QTest::addColumn<int>("shapesShown");
        QTest::addColumn<QByteArray>("styleLine");
        const QByteArray shape = "4 10 10 60 10 60 60 10 60 \n1 0 0 \n";
        QTest::newRow("damaged after one shape")
            << "2\n" + shape + "4 1 1 x" << true << 1 << QByteArray("2");
        QTest::newRow("style beyond the names") << "42\n" + shape << false << 1 << QByteArray("42");
        QTest::newRow("hand-made layout")
            << QByteArray("1 4 10 10 60 10 60 60 10 60 1 0 0") << false << 1 << QByteArray("1");
    }

    void viewingNeverRewritesALabelFile()
    {
        QFETCH(QByteArray, labelFile);
        QFETCH(bool, warned);
        QFETCH(int, shapesShown);
        QFETCH(QByteArray, styleLine);
        QVERIFY(writeFileBytes(pathOf("a.lbl"), labelFile));
        MessageBoxCloser closer;
        openBatch(batch);
        QCOMPARE(closer.texts,
                 warned ? QStringList("Fail reading from " + pathOf("a.lbl")) : QStringList());
        QCOMPARE(int(annotation().labels.size()), shapesShown);

        pressKey(Qt::Key_Down);
        pressKey(Qt::Key_Up);
        QCOMPARE(fileBytes(pathOf("a.lbl")), labelFile);

        // An edit writes what is on screen, the style that was read included.
        drawSquare(100, 100, 50);
        clickTag(0, 2);
        pressKey(Qt::Key_Down);
        const QByteArray edited = fileBytes(pathOf("a.lbl"));
        QVERIFY(edited.endsWith("4 100 100 150 100 150 150 100 150 \n1 0 2 \n"));
        QCOMPARE(edited.left(edited.indexOf('\n')), styleLine);
    }

    void imageLibraryWritesNothingToStandardError()
    {
        silenceImageLibraryLogging();
        MessageBoxCloser closer;
        StderrCapture err;
        openBatch({pathOf("missing.jpg")});
        QCOMPARE(closer.texts, QStringList("Cannot open image " + pathOf("missing.jpg")));
        QCOMPARE(err.text(), QByteArray());
    }

    void undecodableImageNeverReceivesAnotherImagesShapes()
    {
        QVERIFY(writeFileBytes(pathOf("b.jpg"), "this is not a JPEG file"));
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 0);

        MessageBoxCloser closer;
        pressKey(Qt::Key_Down);
        QCOMPARE(closer.titles, QStringList("Warning"));
        QCOMPARE(closer.texts, QStringList("Cannot open image " + batch[1]));
        QCOMPARE(status(), "1/3  " + batch[0]);

        // Work goes on on the image still shown; saving must reach its own file.
        drawSquare(200, 20, 50);
        clickTag(0, 1);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!QFile::exists(pathOf("b.lbl")));
        const QByteArray bothShapes = "0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"
                                      "4 200 20 250 20 250 70 200 70 \n1 0 1 \n";
        QCOMPARE(fileBytes(pathOf("a.lbl")), bothShapes);

        pressKey(Qt::Key_Down);
        QCOMPARE(status(), "3/3  " + batch[2]);
        QVERIFY(!QFile::exists(pathOf("b.lbl")));
        QCOMPARE(fileBytes(pathOf("a.lbl")), bothShapes);
        QCOMPARE(closer.texts.size(), 1);
    }

    void unwritableLabelPathKeepsTheImageOnScreen()
    {
        QVERIFY(QDir(dir->path()).mkdir("a.lbl"));
        MessageBoxCloser closer;
        openBatch(batch);
        QVERIFY(closer.texts.isEmpty());
        QVERIFY(annotation().labels.empty());
        drawSquare(20, 20, 50);
        clickTag(0, 0);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(closer.titles, QStringList("Warning"));
        QCOMPARE(closer.texts, QStringList("Fail writing to " + pathOf("a.lbl")));
        QCOMPARE(annotation().labels.size(), std::size_t(1));

        // Moving on would drop the shape that could not be written: the image stays.
        pressKey(Qt::Key_Down);
        QCOMPARE(closer.texts.size(), 2);
        QCOMPARE(status(), "1/3  " + batch[0]);
        QCOMPARE(annotation().labels.size(), std::size_t(1));

        QVERIFY(QDir(dir->path()).rmdir("a.lbl"));
        pressKey(Qt::Key_Down);
        QCOMPARE(status(), "2/3  " + batch[1]);
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"));
    }

    void unreadableLabelFileIsReported()
    {
        if (::geteuid() == 0)
            QSKIP("root reads any file; the folder case covers the other failure path");
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "2\n4 1 1 9 1 9 9 1 9 \n1 0 0 \n"));
        QVERIFY(QFile::setPermissions(pathOf("a.lbl"), QFileDevice::Permissions()));
        MessageBoxCloser closer;
        openBatch(batch);
        QCOMPARE(closer.texts, QStringList("Fail reading from " + pathOf("a.lbl")));
        QVERIFY(annotation().labels.empty());
        QCOMPARE(styleChooser()->currentIndex(), 0);
    }

    void nonAsciiPathsAreSavedAndReadBack()
    {
        QVERIFY(QDir(dir->path()).mkdir(QString::fromUtf8("données")));
        const QString image = pathOf(QString::fromUtf8("données/salon é.jpg"));
        QVERIFY(writeTestJpeg(image, 200, 150, 90));
        openBatch({image});
        drawSquare(20, 20, 40);
        clickTag(0, 2);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        const QString label = pathOf(QString::fromUtf8("données/salon é.lbl"));
        QCOMPARE(fileBytes(label), QByteArray("0\n4 20 20 60 20 60 60 20 60 \n1 0 2 \n"));
        openBatch({image});
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QCOMPARE(annotation().labels[0].text, QString("S3\n"));
    }

    void labelFromAnotherVocabularyKeepsItsTags()
    {
        QVERIFY(
            writeFileBytes(pathOf("a.lbl"), "1\n4 10 10 90 10 90 90 10 90 \n3 0 4 2 0 99 99 \n"));
        openBatch(batch);
        QCOMPARE(annotation().labels[0].tags, TagPairs({{0, 4}, {2, 0}, {99, 99}}));
        QCOMPARE(annotation().labels[0].text, QString("S5\n"));
        QTest::mouseClick(canvas(), Qt::RightButton, {}, {50, 50});
        QCOMPARE(selectedCells(), (std::set<std::pair<int, int>>{{0, 4}}));
    }

    void zoomKeysAndWheelStepWithinLimits_data()
    {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QString>("shown");

        const QStringList twelveIn = QVector<QString>(12, "Ctrl++").toList();
        QTest::newRow("starts at the original size") << QStringList() << 1.0 << "100 %";
        QTest::newRow("Ctrl++") << QStringList{"Ctrl++"} << 1.25 << "125 %";
        QTest::newRow("Ctrl+=") << QStringList{"Ctrl+="} << 1.25 << "125 %";
        QTest::newRow("Ctrl+-") << QStringList{"Ctrl+-"} << 0.8 << "80 %";
        QTest::newRow("in and out again")
            << QStringList{"Ctrl++", "Ctrl++", "Ctrl+-", "Ctrl+-"} << 1.0 << "100 %";
        QTest::newRow("Ctrl+0") << QStringList{"Ctrl++", "Ctrl++", "Ctrl+0"} << 1.0 << "100 %";
        QTest::newRow("at most 800 %") << twelveIn << 8.0 << "800 %";
        QTest::newRow("out from 800 %") << twelveIn + QStringList{"Ctrl+-"} << 6.4 << "640 %";
        QTest::newRow("at least 5 %") << QVector<QString>(20, "Ctrl+-").toList() << 0.05 << "5 %";
        QTest::newRow("Ctrl+wheel notch") << QStringList{"wheel 120"} << 1.25 << "125 %";
        QTest::newRow("Ctrl+wheel two notches back") << QStringList{"wheel -240"} << 0.64 << "64 %";
        QTest::newRow("touchpad deltas below a notch")
            << QStringList{"wheel 40", "wheel 40"} << 1.0 << "100 %";
        QTest::newRow("touchpad deltas adding up to a notch")
            << QStringList{"wheel 40", "wheel 40", "wheel 40"} << 1.25 << "125 %";
        QTest::newRow("plain wheel") << QStringList{"plain wheel -120"} << 1.0 << "100 %";
    }

    void zoomKeysAndWheelStepWithinLimits()
    {
        QFETCH(QStringList, inputs);
        QFETCH(double, scale);
        QFETCH(QString, shown);

        openImageOfSize("large.jpg", 2000, 1500);
        for (const QString& input : inputs)
            zoomBy(input);
        QCOMPARE(viewer()->zoom(), scale);
        QCOMPARE(zoomText(), shown);
        QCOMPARE(canvas()->size(), QSize(std::lround(2000 * scale), std::lround(1500 * scale)));
        QCOMPARE(status(), "1/1  " + pathOf("large.jpg"));
    }

    void plainWheelScrolls()
    {
        openImageOfSize("large.jpg", 2000, 1500);
        const int before = viewer()->verticalScrollBar()->value();
        zoomBy("plain wheel -120");
        QVERIFY(viewer()->verticalScrollBar()->value() > before);
    }

    void wheelKeepsTheImagePointUnderTheCursor_data()
    {
        QTest::addColumn<int>("delta");
        QTest::addColumn<QPointF>("cursor");

        QTest::newRow("in, near the top left") << 120 << QPointF(40.5, 30.5);
        QTest::newRow("in three notches, near the centre") << 360 << QPointF(200.5, 150.5);
        QTest::newRow("out, near the top left") << -120 << QPointF(60.5, 20.5);
        QTest::newRow("out two notches") << -240 << QPointF(250.5, 220.5);
    }

    void wheelKeepsTheImagePointUnderTheCursor()
    {
        QFETCH(int, delta);
        QFETCH(QPointF, cursor);

        openImageOfSize("large.jpg", 4000, 3000);
        QScrollBar* horizontal = viewer()->horizontalScrollBar();
        QScrollBar* vertical = viewer()->verticalScrollBar();
        horizontal->setValue(horizontal->maximum() / 2);
        vertical->setValue(vertical->maximum() / 2);
        const QPointF imagePoint = imagePointAt(cursor);

        wheel(delta, cursor, Qt::ControlModifier);
        QVERIFY(viewer()->zoom() != 1.0);
        const QPointF drift = inViewport(imagePoint) - cursor;
        QVERIFY2(std::abs(drift.x()) <= 1.0 && std::abs(drift.y()) <= 1.0,
                 qPrintable(QString("drift %1, %2").arg(drift.x()).arg(drift.y())));
    }

    void cornersLandOnTheImagePixelUnderTheCursor_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<std::vector<QPoint>>("clicks");

        // At 25 % a canvas pixel spans four image pixels, and its centre lies on the border
        // of the second and third, which counts as the second; at 400 % an image pixel
        // spans four canvas pixels.
        QTest::newRow("25 %") << 0.25
                              << std::vector<QPoint>{{10, 10}, {50, 10}, {50, 40}, {10, 40}};
        QTest::newRow("100 %") << 1.0
                               << std::vector<QPoint>{{41, 41}, {201, 41}, {201, 161}, {41, 161}};
        QTest::newRow("400 %, first canvas pixel of each image pixel")
            << 4.0 << std::vector<QPoint>{{164, 164}, {804, 164}, {804, 644}, {164, 644}};
        QTest::newRow("400 %, last canvas pixel of each image pixel")
            << 4.0 << std::vector<QPoint>{{167, 167}, {807, 167}, {807, 647}, {167, 647}};
    }

    void cornersLandOnTheImagePixelUnderTheCursor()
    {
        QFETCH(double, scale);
        QFETCH(std::vector<QPoint>, clicks);

        openBatch(batch);
        viewer()->setZoom(scale);
        drawShape(clicks);
        clickTag(0, 0);
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")),
                 QByteArray("0\n4 41 41 201 41 201 161 41 161 \n1 0 0 \n"));
    }

    void rightPressSelectsAndDragsAtZoom_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("release");
        QTest::addColumn<int>("index");
        QTest::addColumn<QPoint>("firstCorner");

        QTest::newRow("400 %") << 4.0 << QPoint(602, 602) << QPoint(642, 582) << 1
                               << QPoint(110, 95);
        QTest::newRow("25 %") << 0.25 << QPoint(37, 37) << QPoint(47, 32) << 1 << QPoint(140, 80);
        QTest::newRow("25 %, the other shape")
            << 0.25 << QPoint(10, 10) << QPoint(12, 12) << 0 << QPoint(28, 28);
    }

    void rightPressSelectsAndDragsAtZoom()
    {
        QFETCH(double, scale);
        QFETCH(QPoint, press);
        QFETCH(QPoint, release);
        QFETCH(int, index);
        QFETCH(QPoint, firstCorner);

        QVERIFY(writeFileBytes(pathOf("a.lbl"), "0\n4 20 20 60 20 60 60 20 60 \n1 0 0 \n"
                                                "4 100 100 200 100 200 200 100 200 \n1 0 1 \n"));
        openBatch(batch);
        viewer()->setZoom(scale);
        QSignalSpy finished(canvas(), &ImageWidget::sglShapeMoveFinished);
        StdoutCapture out;
        QTest::mousePress(canvas(), Qt::RightButton, {}, press);
        QTest::mouseMove(canvas(), (press + release) / 2);
        QTest::mouseMove(canvas(), release);
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, release);
        QCOMPARE(out.text(), "Active shape: " + std::to_string(index) + "\n");
        QCOMPARE(annotation().labels[index].points[0], firstCorner);
        QCOMPARE(finished.count(), 1);
    }

    void fitShowsTheWholeImage_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::newRow("landscape") << QSize(1600, 900);
        QTest::newRow("portrait") << QSize(900, 1600);
        QTest::newRow("smaller than the view") << QSize(120, 80);
    }

    void fitShowsTheWholeImage()
    {
        QFETCH(QSize, image);

        openImageOfSize("photo.jpg", image.width(), image.height());
        pressKey(Qt::Key_F, Qt::ControlModifier);
        // The scroll area shows or hides its scroll bars in a queued call.
        QCoreApplication::processEvents();
        const QSize room = viewer()->viewport()->size();
        const QSize shown = canvas()->size();
        QVERIFY2(shown.width() <= room.width() && shown.height() <= room.height(),
                 qPrintable(QString("%1x%2 in %3x%4")
                                .arg(shown.width())
                                .arg(shown.height())
                                .arg(room.width())
                                .arg(room.height())));
        QVERIFY(shown.width() >= room.width() - 1 || shown.height() >= room.height() - 1);
        QCOMPARE(viewer()->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(viewer()->verticalScrollBar()->maximum(), 0);
        QCOMPARE(zoomText(), QString("%1 %").arg(std::lround(viewer()->zoom() * 100)));
    }

    void zoomLevelSurvivesMovingThroughTheBatch()
    {
        QVERIFY(writeTestJpeg(pathOf("wide.jpg"), 1600, 900, 100));
        QVERIFY(writeTestJpeg(pathOf("tall.jpg"), 900, 1600, 100));
        openBatch({pathOf("wide.jpg"), pathOf("tall.jpg")});
        pressKey(Qt::Key_Minus, Qt::ControlModifier);
        pressKey(Qt::Key_Minus, Qt::ControlModifier);
        pressKey(Qt::Key_Down);
        QCOMPARE(status(), "2/2  " + pathOf("tall.jpg"));
        QCOMPARE(viewer()->zoom(), 0.64);
        QCOMPARE(canvas()->size(), QSize(576, 1024));
        QCOMPARE(zoomText(), QString("64 %"));

        pressKey(Qt::Key_F, Qt::ControlModifier);
        const double tallFit = viewer()->zoom();
        pressKey(Qt::Key_Up);
        QCoreApplication::processEvents();
        QVERIFY(viewer()->isFittingWindow());
        QVERIFY(viewer()->zoom() != tallFit);
        QCOMPARE(zoomText(), QString("%1 %").arg(std::lround(viewer()->zoom() * 100)));
        QCOMPARE(canvas()->width(), viewer()->viewport()->width());
        QVERIFY(canvas()->height() < viewer()->viewport()->height());
    }

    void originalSizeAfterZoomingPaintsAsBefore()
    {
        openBatch(batch);
        drawSquare(20, 20, 100);
        clickTag(0, 0);
        const QImage original = canvas()->grab().toImage();
        for (const QString& input : QStringList{"Ctrl++", "Ctrl++", "Ctrl+-", "Ctrl+F", "Ctrl+-"})
            zoomBy(input);
        viewer()->setZoom(4.0);
        const QColor inside = pixelAt(canvas(), {4 * 110, 4 * 30});
        QVERIFY2(inside.red() > inside.green() + 20, qPrintable(inside.name()));
        QCOMPARE(pixelAt(canvas(), {4 * 130, 4 * 30}), QColor(128, 128, 128));
        zoomBy("Ctrl+0");
        QCOMPARE(canvas()->grab().toImage(), original);
    }

    // Corners at the ends of the 32-bit range from a hand-made file: painting, the hit test
    // and dragging must neither overflow (the sanitizer build checks) nor leave the range.
    void hostileCoordinatesAreSafeAtEveryZoom()
    {
        QVERIFY(writeFileBytes(pathOf("a.lbl"),
                               "0\n4 -2147483648 -2147483648 100 -2147483648 100 100 "
                               "-2147483648 100 \n1 0 0 \n"
                               "4 150 150 2147483647 150 2147483647 2147483647 150 100000000 \n"
                               "1 0 1 \n"));
        openBatch(batch);
        QVERIFY(!canvas()->grab().isNull());
        pressKey(Qt::Key_F, Qt::ControlModifier);
        QVERIFY(!canvas()->grab().isNull());
        const double scale = viewer()->zoom();
        const auto onCanvas = [scale](int x, int y) {
            return QPoint(int(std::floor(x * scale)), int(std::floor(y * scale)));
        };

        QTest::mousePress(canvas(), Qt::RightButton, {}, onCanvas(300, 200));
        QCOMPARE(canvas()->currentActiveShape(), 1);
        QTest::mouseMove(canvas(), onCanvas(340, 240));
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, onCanvas(340, 240));
        QTest::mousePress(canvas(), Qt::RightButton, {}, onCanvas(50, 50));
        QCOMPARE(canvas()->currentActiveShape(), 0);
        QTest::mouseMove(canvas(), onCanvas(10, 10));
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, onCanvas(10, 10));
        pressKey(Qt::Key_0, Qt::ControlModifier);
        QVERIFY(!canvas()->grab().isNull());

        pressKey(Qt::Key_S, Qt::ControlModifier);
        const QPoint left = annotation().labels[0].points[2] - QPoint(100, 100);
        const QPoint right = annotation().labels[1].points[0] - QPoint(150, 150);
        QCOMPARE(fileBytes(pathOf("a.lbl")),
                 QString("0\n4 -2147483648 -2147483648 %1 -2147483648 %1 %2 -2147483648 %2 \n"
                         "1 0 0 \n"
                         "4 %3 %4 2147483647 %4 2147483647 2147483647 %3 %5 \n1 0 1 \n")
                     .arg(100 + left.x())
                     .arg(100 + left.y())
                     .arg(150 + right.x())
                     .arg(150 + right.y())
                     .arg(100000000 + right.y())
                     .toUtf8());
        // At fit a canvas pixel spans a little more than one image pixel.
        for (const QPoint& displacement : {-left, right})
            QVERIFY2(std::abs(displacement.x() - 40) <= 1 && std::abs(displacement.y() - 40) <= 1,
                     qPrintable(QString("%1, %2").arg(displacement.x()).arg(displacement.y())));
    }
};

QTEST_MAIN(TestWorkflow)
#include "test_workflow.moc"
