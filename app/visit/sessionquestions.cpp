#include "sessionquestions.h"

#include <QDateTime>
#include <QMessageBox>
#include <QPushButton>

void warn(QWidget* parent, const QString& message)
{
    QMessageBox::warning(parent, QStringLiteral("Warning"), message,
                         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton);
}

bool askToRecover(QWidget* parent, const QString& imagePath)
{
    const QMessageBox::StandardButton answer = QMessageBox::question(
        parent, QStringLiteral("Recover"),
        QStringLiteral("Unsaved changes of %1 were kept when Quadrotag last stopped without "
                       "saving them. Show them as unsaved changes?")
            .arg(imagePath),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return answer == QMessageBox::Yes;
}

bool askToTakeUpOthersWork(QWidget* parent, const QString& imagePath, const QString& operatorName,
                           const QString& host, const QDateTime& written)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Recover"),
                    QStringLiteral("%1 left unsaved changes on %2 (on %3, last kept %4). Show them "
                                   "as unsaved changes? If not, they are left for %1.")
                        .arg(operatorName, imagePath, host,
                             written.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm"))),
                    QMessageBox::Yes | QMessageBox::No, parent);
    // The names come from a file anyone may write; markup in them is shown, not applied.
    box.setTextFormat(Qt::PlainText);
    // Someone else's work is taken up only on purpose.
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

ChangedFileAnswer askAboutChangedFile(QWidget* parent, const QString& labelPath)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Label File Changed"),
                    QStringLiteral("%1 was changed on disk since this image was shown, perhaps by "
                                   "another operator. Overwrite it with your changes?")
                        .arg(labelPath),
                    QMessageBox::Cancel, parent);
    QPushButton* overwrite = box.addButton(QStringLiteral("Overwrite"), QMessageBox::AcceptRole);
    QPushButton* discard =
        box.addButton(QStringLiteral("Discard My Changes"), QMessageBox::DestructiveRole);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    if (box.clickedButton() == overwrite)
        return ChangedFileAnswer::Overwrite;
    if (box.clickedButton() == discard)
        return ChangedFileAnswer::DiscardMine;
    return ChangedFileAnswer::Cancel;
}

bool confirmCloseWithoutSaving(QWidget* parent)
{
    const QMessageBox::StandardButton answer = QMessageBox::question(
        parent, QStringLiteral("Close"),
        QStringLiteral("The annotation of this image could not be saved. Close anyway and "
                       "lose its unsaved changes?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

QString proposalNote(int shapes, bool readToEnd)
{
    QString note = shapes == 1 ? QStringLiteral("1 shape proposed")
                               : QStringLiteral("%1 shapes proposed").arg(shapes);
    if (!readToEnd)
        note += QStringLiteral(" (the proposal file is damaged; shown as far as it reads)");
    return note;
}
