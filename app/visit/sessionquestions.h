#ifndef QUADROTAG_SESSIONQUESTIONS_H
#define QUADROTAG_SESSIONQUESTIONS_H

#include <QString>

class QDateTime;
class QWidget;

// What the operator decides when the label file changed on disk since it was read.
enum class ChangedFileAnswer { Overwrite, DiscardMine, Cancel };

// The window's warning: title "Warning", OK and Cancel, the answer not looked at.
void warn(QWidget* parent, const QString& message);
// Whether the state kept from an interrupted run of this image should be shown.
bool askToRecover(QWidget* parent, const QString& imagePath);
// Whether another operator's kept state of this image should be shown as unsaved changes;
// the question names them, where and when they kept it.
bool askToTakeUpOthersWork(QWidget* parent, const QString& imagePath, const QString& operatorName,
                           const QString& host, const QDateTime& written);
ChangedFileAnswer askAboutChangedFile(QWidget* parent, const QString& labelPath);
bool confirmCloseWithoutSaving(QWidget* parent);
// The note for a proposal shown for review: "3 shapes proposed".
QString proposalNote(int shapes, bool readToEnd);

#endif
