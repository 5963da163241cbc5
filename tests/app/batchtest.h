#ifndef QUADROTAG_TESTS_BATCHTEST_H
#define QUADROTAG_TESTS_BATCHTEST_H

#include "windowtest.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QLineEdit;
class QListView;

// A batch on the real window as the operator moves through it: a job folder beside the
// three images, the Images list with its marks and its filter, and proposals of a model.
class BatchTest : public WindowTest
{
    Q_OBJECT

protected:
    QString jobPath(const QString& name = QString()) const { return pathOf("job/" + name); }
    // The job folder with label files beside the images at these positions, and
    // things that are not its images: a subfolder with a JPEG, a folder named like a
    // JPEG, a hidden JPEG and a text file.
    void makeJobFolder(const QList<int>& labelled);
    void writeProposal(const QString& imagePath, const QByteArray& bytes);
    void addTaggedShape();

    QListView* imagesList() const;
    QString progress() const;
    QStringList listedNames() const;
    QList<int> markedRows() const;
    QList<int> rowsWith(int role) const;
    // The image on screen as the list shows it: in bold, and the list's current row.
    void checkListShows(int row);
    void clickListRow(int row);

    QLineEdit* filterField() const;
    void typeFilter(const QString& text, int state = 0);

    // A job folder, in natural order; plain order would put "img10" before "img2".
    const QStringList jobImages = {"img1.jpg", "img2.JPG", "img3.Jpg", "img10.jpg", "img11.jpg"};
    const QStringList jobLabels = {"img1.lbl", "img2.lbl", "img3.lbl", "img10.lbl", "img11.lbl"};
    const QByteArray storedLabel = "0\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n";
    // Two tagged shapes as a model would propose them for a.jpg, in the writer's layout.
    const QByteArray proposal = "0\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n"
                                "4 200 10 260 10 260 60 200 60 \n1 0 2 \n";
};

#endif
