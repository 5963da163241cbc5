#include "keyshortcutsdialog.h"

#include "keymap.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const int keyColumn = 1;

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Enter in the filter or the list must never press a button by default.
QPushButton* addButton(QDialogButtonBox* box, const QString& text,
                       QDialogButtonBox::ButtonRole role)
{
    QPushButton* button = box->addButton(text, role);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}
} // namespace

KeyShortcutsDialog::KeyShortcutsDialog(KeyMap& keyMap, QWidget* parent)
    : QDialog(parent), keys(keyMap), filterField(new QLineEdit(this)),
      actionList(new QTreeWidget(this)), noteLabel(new QLabel(this))
{
    setWindowTitle(QStringLiteral("Keyboard Shortcuts"));
    filterField->setPlaceholderText(QStringLiteral("Filter actions"));
    filterField->setClearButtonEnabled(true);
    actionList->setHeaderLabels({QStringLiteral("Action"), QStringLiteral("Key")});
    actionList->setRootIsDecorated(false);
    actionList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    noteLabel->setObjectName(QStringLiteral("keyNote"));
    noteLabel->setText(QStringLiteral("Enter records a key; Esc while recording gives up."));

    auto* box = new QDialogButtonBox(this);
    connect(addButton(box, QStringLiteral("Record"), QDialogButtonBox::ActionRole),
            &QPushButton::clicked, this, &KeyShortcutsDialog::startRecording);
    connect(addButton(box, QStringLiteral("Clear"), QDialogButtonBox::ActionRole),
            &QPushButton::clicked, this, [this] { keys.clear(currentRow()); });
    connect(addButton(box, QStringLiteral("Reset"), QDialogButtonBox::ActionRole),
            &QPushButton::clicked, this, [this] {
                QString refusal;
                keys.reset(currentRow(), &refusal);
                noteLabel->setText(refusal);
            });
    connect(addButton(box, QStringLiteral("Reset All"), QDialogButtonBox::ResetRole),
            &QPushButton::clicked, this, [this] { keys.resetAll(); });
    connect(addButton(box, QStringLiteral("Close"), QDialogButtonBox::RejectRole),
            &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(filterField);
    layout->addWidget(actionList);
    layout->addWidget(noteLabel);
    layout->addWidget(box);
    resize(520, 560);

    buildList();
    connect(&keys, &KeyMap::changed, this, &KeyShortcutsDialog::showKeys);
    connect(filterField, &QLineEdit::textChanged, this, &KeyShortcutsDialog::filter);
    // The key goes to the row in sight, never to one the filter or the selection has left.
    connect(filterField, &QLineEdit::textChanged, this, &KeyShortcutsDialog::giveUpRecording);
    connect(actionList, &QTreeWidget::currentItemChanged, this,
            &KeyShortcutsDialog::giveUpRecording);
    filterField->installEventFilter(this);
    actionList->installEventFilter(this);
    filterField->setFocus(Qt::OtherFocusReason);
}

int KeyShortcutsDialog::currentRow() const
{
    QTreeWidgetItem* item = actionList->currentItem();
    return item && !item->isHidden() ? actionList->indexOfTopLevelItem(item) : -1;
}

QString KeyShortcutsDialog::note() const
{
    return noteLabel->text();
}

void KeyShortcutsDialog::buildList()
{
    for (const KeyMap::Entry& entry : keys.entries())
        actionList->addTopLevelItem(
            new QTreeWidgetItem({entry.name, KeyMap::keysText(entry.keys)}));
}

void KeyShortcutsDialog::showKeys(int row)
{
    if (QTreeWidgetItem* item = actionList->topLevelItem(row))
        item->setText(keyColumn, KeyMap::keysText(keys.entries()[row].keys));
}

void KeyShortcutsDialog::filter(const QString& text)
{
    for (int row = 0; row < actionList->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = actionList->topLevelItem(row);
        item->setHidden(!keys.entries()[row].name.contains(text, Qt::CaseInsensitive));
    }
}

void KeyShortcutsDialog::startRecording()
{
    recordingRow = currentRow();
    if (recordingRow < 0)
        return;
    actionList->setFocus(Qt::OtherFocusReason);
    noteLabel->setText(QStringLiteral("Press the new key of \"%1\" (Esc gives up)")
                           .arg(keys.entries()[recordingRow].name));
}

void KeyShortcutsDialog::record(const QKeyEvent& event)
{
    QString refusal;
    const auto key = KeyMap::recordedKey(event.key(), event.modifiers(), &refusal);
    if (key && keys.assign(recordingRow, *key, &refusal))
        stopRecording(QString());
    else
        stopRecording(refusal);
}

void KeyShortcutsDialog::giveUpRecording()
{
    if (isRecording())
        stopRecording(QStringLiteral("Recording given up"));
}

void KeyShortcutsDialog::stopRecording(const QString& message)
{
    recordingRow = -1;
    noteLabel->setText(message);
}

bool KeyShortcutsDialog::filterKey(const QKeyEvent& event)
{
    if (event.key() != Qt::Key_Down)
        return false;
    for (int row = 0; row < actionList->topLevelItemCount(); ++row) {
        if (!actionList->topLevelItem(row)->isHidden()) {
            actionList->setCurrentItem(actionList->topLevelItem(row));
            break;
        }
    }
    actionList->setFocus(Qt::OtherFocusReason);
    return true;
}

bool KeyShortcutsDialog::listKey(const QKeyEvent& event)
{
    if (isRecording()) {
        if (event.key() == Qt::Key_Escape)
            giveUpRecording();
        else if (!KeyMap::isModifierKey(event.key()) && event.key() != Qt::Key_unknown)
            record(event);
        return true;
    }
    if (!isEnter(event.key()))
        return false;
    startRecording();
    return true;
}

bool KeyShortcutsDialog::eventFilter(QObject* watched, QEvent* event)
{
    // While recording, no shortcut of this dialog takes the key from it.
    if (event->type() == QEvent::ShortcutOverride && watched == actionList && isRecording()) {
        event->accept();
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto& keyEvent = static_cast<const QKeyEvent&>(*event);
    if (watched == filterField)
        return filterKey(keyEvent);
    if (watched == actionList)
        return listKey(keyEvent);
    return QDialog::eventFilter(watched, event);
}
