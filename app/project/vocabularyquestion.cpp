#include "vocabularyquestion.h"

#include "tagindex.h"
#include "taglayout.h"
#include "tagnames.h"
#include "vocabularychange.h"

#include <QFile>
#include <QMessageBox>
#include <QPushButton>

#include <fstream>
#include <iostream>

namespace {

const int listedChanges = 20;

const QString closingText =
    QStringLiteral("\n\nQuit to put the vocabulary back or to migrate the label files "
                   "first (quadrotag-relabel). Continue keeps the old index as "
                   "index2tag-<date-time>.csv and writes the new one.");

// What the cells of the index meant: their whole names when the names written with it are
// there, so that tags alike but for their notes are told apart; else their captions, as
// the index holds them.
VocabularyChange changeOf(const QString& indexPath, const QByteArray& indexBytes,
                          const TagIndex& before, const TagLayout& layout)
{
    const std::optional<TagIndex> names = TagNames::readFor(indexPath, indexBytes);
    if (names)
        return VocabularyChange(*names, TagIndex::namesOfLayout(layout));
    return VocabularyChange(before, TagIndex::ofLayout(layout));
}

QString unreadableIndexText()
{
    return QStringLiteral("index2tag.csv can't be read, so this start can't tell which tags "
                          "moved or vanished since it was written. Label files written "
                          "before this start may use other cells.") +
           closingText;
}

QString questionText(const VocabularyChange& change, const QStringList& lines)
{
    QString text = QStringLiteral("%1 %2 moved or vanished since index2tag.csv was written. "
                                  "Label files written before this start still use the old "
                                  "cells:\n\n")
                       .arg(change.count())
                       .arg(change.count() == 1 ? QStringLiteral("tag") : QStringLiteral("tags"));
    text += lines.join(QLatin1Char('\n'));
    if (change.count() > lines.size())
        text += QStringLiteral("\n... and %1 more").arg(change.count() - lines.size());
    return text + closingText;
}

bool operatorContinues(const QString& text, QWidget* parent)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Vocabulary Changed"), text,
                    QMessageBox::NoButton, parent);
    QPushButton* quit = box.addButton(QStringLiteral("Quit"), QMessageBox::RejectRole);
    QPushButton* carryOn = box.addButton(QStringLiteral("Continue"), QMessageBox::AcceptRole);
    box.setDefaultButton(quit);
    box.setEscapeButton(quit);
    box.exec();
    return box.clickedButton() == carryOn;
}

} // namespace

bool confirmVocabularyChange(const QString& vocabularyPath, const QString& indexPath,
                             QWidget* parent)
{
    // Without a vocabulary no index is written; without an index there is nothing to compare.
    std::ifstream vocabulary(vocabularyPath.toStdString());
    QFile index(indexPath);
    if (!vocabulary || !index.exists())
        return true;
    TagLayout layout;
    layout.read(vocabulary);
    TagIndex before;
    const bool readable = index.open(QIODevice::ReadOnly);
    const QByteArray bytes = readable ? index.readAll() : QByteArray();
    QString text;
    if (!readable || !before.parse(bytes)) {
        text = unreadableIndexText();
    } else {
        const VocabularyChange change = changeOf(indexPath, bytes, before, layout);
        if (change.isEmpty())
            return true;
        text = questionText(change, change.lines(listedChanges));
    }
    std::cerr << text.toStdString() << std::endl;
    if (!operatorContinues(text, parent))
        return false;
    if (!TagIndex::keepCopy(indexPath).isEmpty())
        return true;
    QMessageBox::warning(parent, QStringLiteral("Warning"),
                         QStringLiteral("Fail writing to ") + indexPath);
    return false;
}
