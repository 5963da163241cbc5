#include "editingtest.h"
#include "folderlisting.h"
#include "projecthistory.h"
#include "recenttagstrip.h"
#include "teampaths.h"
#include "workflowfixture.h"

#include <QSemaphore>
#include <QtTest>

// Going from one project to another: what the old project still has under way or in hand
// does not reach the new one.
class TestProjectSwitch : public EditingTest
{
    Q_OBJECT

private:
    // A project folder beside the images, with its own vocabulary.
    QString makeProject(const QString& name, const QByteArray& vocabulary = "Chair 0 Table 0\n")
    {
        const QString folder = pathOf(name);
        return QDir().mkpath(folder) && writeFileBytes(folder + "/tags", vocabulary) ? folder
                                                                                     : QString();
    }
    // Three images of a project's own, in a folder of its own.
    QStringList makePhotos(const QString& project)
    {
        QStringList photos;
        QDir().mkpath(project + "/photos");
        for (const QString& name : batch) {
            const QString copy = project + "/photos/" + QFileInfo(name).fileName();
            if (!QFile::copy(name, copy))
                return {};
            photos << copy;
        }
        return photos;
    }

private slots:
    // The strip of recent tags names cells of the vocabulary they were turned on in; under
    // another project's vocabulary its keys must not reach cells the strip does not show.
    void recentTagsDoNotCrossIntoAnotherVocabulary_data()
    {
        QTest::addColumn<int>("column");
        // S1 at the cell where the new vocabulary has Chair.
        QTest::newRow("cell of another tag") << 0;
        // S5 at a cell the new vocabulary does not have.
        QTest::newRow("cell beyond the vocabulary") << 4;
    }
    void recentTagsDoNotCrossIntoAnotherVocabulary()
    {
        QFETCH(int, column);
        openBatch(batch);
        drawSquare(10, 10, 50);
        clickTag(0, column);
        QCOMPARE(recentStrip()->text(), QString("1 S%1").arg(column + 1));

        const QString project = makeProject("p");
        QVERIFY(window->openProject(project));
        waitForImage();
        QCOMPARE(table()->item(0, 0)->text(), QString("Chair"));

        const QStringList photos = makePhotos(project);
        QCOMPARE(photos.size(), 3);
        openBatch(photos);
        drawSquare(10, 10, 50);
        canvas()->setFocus();
        typeKey(Qt::Key_1);
        // No tag of this project was turned on yet: key 1 has nothing to toggle.
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QCOMPARE(annotation().labels[0].tags, (std::vector<std::pair<int, int>>{}));
        // No caption of the old vocabulary stays above the new table.
        QCOMPARE(recentStrip()->text(), QString());
    }

    // A folder of the old project still being listed when the new one opens neither opens
    // under the new project nor becomes its batch.
    void folderListedAtTheSwitchStaysWithTheOldProject_data()
    {
        QTest::addColumn<bool>("newHasImages");
        QTest::addColumn<bool>("named");
        QTest::newRow("new project without a batch") << false << false;
        QTest::newRow("new project with image files") << true << false;
        // Open Images, its worker held until the new project is open.
        QTest::newRow("images named, new project without a batch") << false << true;
        QTest::newRow("images named, new project with image files") << true << true;
    }
    void folderListedAtTheSwitchStaysWithTheOldProject()
    {
        QFETCH(bool, newHasImages);
        QFETCH(bool, named);
        auto release = std::make_shared<QSemaphore>();
        FolderListing::useNamedFinder([release](const QStringList& files) {
            release->acquire();
            return findNamedBatch(files, {});
        });
        const auto restore = qScopeGuard([release] {
            FolderListing::useNamedFinder({});
            release->release();
        });
        const QString oldProject = makeProject("old");
        const QString newProject = makeProject("new");
        const QStringList oldPhotos = makePhotos(oldProject);
        const QStringList newPhotos = makePhotos(newProject);
        if (newHasImages)
            ProjectHistory().rememberImages(newProject, {newPhotos[1]});
        startIn(oldProject);
        StdoutCapture silenced;
        if (named)
            window->openNamedImages(oldPhotos);
        else
            window->listFolder(oldProject + "/photos");
        QVERIFY(window->isListingFolder());
        QVERIFY(window->openProject(newProject));
        release->release();
        // The listing's worker has ended, and what it posted before ending has arrived.
        QTRY_COMPARE(FolderListing::workersUnderWay(), 0);
        QCoreApplication::processEvents();
        waitForImage();
        QCOMPARE(status(), newHasImages ? "1/1  " + newPhotos[1] : QString());
        QCOMPARE(ProjectHistory().lastBatch(newProject).folder, QString());
        QCOMPARE(ProjectHistory().lastBatch(newProject).images,
                 newHasImages ? QStringList{newPhotos[1]} : QStringList{});
        for (const QString& photo : oldPhotos)
            QVERIFY(!QFileInfo::exists(claimPathFor(photo)));
    }

    // Edits tried before the new project's folder is listed change nothing of its images.
    void editsBeforeTheNewBatchAppearsChangeNothing()
    {
        const QString oldProject = makeProject("old");
        const QString newProject = makeProject("new");
        makePhotos(oldProject);
        const QStringList newPhotos = makePhotos(newProject);
        ProjectHistory().rememberFolder(newProject, newProject + "/photos");
        startIn(oldProject);
        StdoutCapture silenced;
        openBatch(makePhotos(makeProject("third")));
        drawSquare(10, 10, 50);
        pressKey(Qt::Key_C, Qt::ControlModifier);
        QVERIFY(window->openProject(newProject));
        waitForImage();
        // The listing is done only once the event loop runs.
        styleChooser()->setCurrentIndex(11);
        pressKey(Qt::Key_V, Qt::ControlModifier);
        pressKey(Qt::Key_R, Qt::ControlModifier);
        window->slotUndo();
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(status(), "1/3  " + newPhotos[0]);
        QVERIFY(annotation().labels.empty());
        QCOMPARE(window->editHistory().count(), 0);
        QVERIFY(!window->isWindowModified());
        pressKey(Qt::Key_Down);
        QVERIFY(QDir(newProject + "/photos").entryList({"*.lbl"}, QDir::Files).isEmpty());
    }

    // Stepping after a switch notes the image last shown for the new project only.
    void steppingNotesTheShownImageForTheNewProjectOnly()
    {
        const QString oldProject = makeProject("old");
        const QString newProject = makeProject("new");
        const QStringList oldPhotos = makePhotos(oldProject);
        const QStringList newPhotos = makePhotos(newProject);
        startIn(oldProject);
        StdoutCapture silenced;
        openBatch(oldPhotos);
        pressKey(Qt::Key_Down);
        QVERIFY(window->openProject(newProject));
        waitForImage();
        openBatch(newPhotos);
        pressKey(Qt::Key_Down);
        pressKey(Qt::Key_Down);
        QCOMPARE(ProjectHistory().lastBatch(oldProject).shownImage, oldPhotos[1]);
        QCOMPARE(ProjectHistory().lastBatch(newProject).shownImage, newPhotos[2]);
        // Back and forth: each opens where it was left.
        QVERIFY(window->openProject(oldProject));
        waitForImage();
        QCOMPARE(status(), "2/3  " + oldPhotos[1]);
        QVERIFY(window->openProject(newProject));
        waitForImage();
        QCOMPARE(status(), "3/3  " + newPhotos[2]);
        QVERIFY(window->openProject(newProject));
        waitForImage();
        QCOMPARE(status(), "3/3  " + newPhotos[2]);
    }
};

QTEST_MAIN(TestProjectSwitch)
#include "test_projectswitch.moc"
