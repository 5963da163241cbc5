#ifndef QUADROTAG_KEYSHORTCUTSDIALOG_H
#define QUADROTAG_KEYSHORTCUTSDIALOG_H

#include <QDialog>

class KeyMap;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// Every action and its keys, narrowed by a filter that has the keyboard first. Enter on an
// action records the next key combination as its key (Esc gives up); the changes apply at
// once, so closing keeps them.
class KeyShortcutsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit KeyShortcutsDialog(KeyMap& keys, QWidget* parent = nullptr);

    bool isRecording() const { return recordingRow >= 0; }
    // The row of the key map the list has current, -1 without one.
    int currentRow() const;
    // The note under the list: what is being recorded, or why a key was refused.
    QString note() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildList();
    void showKeys(int row);
    void filter(const QString& text);
    void startRecording();
    void record(const QKeyEvent& event);
    void giveUpRecording();
    void stopRecording(const QString& message);
    bool filterKey(const QKeyEvent& event);
    bool listKey(const QKeyEvent& event);

    KeyMap& keys;
    QLineEdit* filterField;
    QTreeWidget* actionList;
    QLabel* noteLabel;
    int recordingRow = -1;
};

#endif
