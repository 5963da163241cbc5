#include "vocabularyquestion.h"

#include "tagindex.h"
#include "taglayout.h"
#include "tagnames.h"
#include "vocabularychange.h"
#include "vocabularyfiles.h"

#include <QFile>
#include <QMessageBox>
#include <QPushButton>

#include <iostream>
#include <sstream>

namespace {

const int listedChanges = 20;

const QString closingText =
    QStringLiteral("\n\nQuit to put the vocabulary back or to migrate the label files "
                   "first (quadrotag-relabel). Continue keeps the old index as "
                   "index2tag-<date-time>.csv and writes the new one.");

// What the cells of the index meant: their whole names when the names written with it are
// there, so that tags alike but for their notes are told apart; else their captions, as
// the index holds them.
VocabularyChange changeOf(const VocabularyFiles& files, const QByteArray& indexBytes,
                          const TagIndex& before, const TagLayout& layout)
{
    const std::optional<TagIndex> names =
        files.names.exists && files.names.readable
            ? TagNames::namesFrom(QByteArray::fromStdString(files.names.bytes), indexBytes)
            : std::nullopt;
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
    return confirmVocabularyChange(VocabularyFiles::read(vocabularyPath, indexPath), parent);
}

bool confirmVocabularyChange(const VocabularyFiles& files, QWidget* parent)
{
    // Without a vocabulary no index is written; without an index there is nothing to compare.
    if (!files.hasVocabulary() || !files.index.exists)
        return true;
    TagLayout layout;
    std::istringstream vocabulary(files.vocabulary.bytes);
    layout.read(vocabulary);
    TagIndex before;
    const QByteArray bytes = QByteArray::fromStdString(files.index.bytes);
    QString text;
    if (!files.index.readable || !before.parse(bytes)) {
        text = unreadableIndexText();
    } else {
        const VocabularyChange change = changeOf(files, bytes, before, layout);
        if (change.isEmpty())
            return true;
        text = questionText(change, change.lines(listedChanges));
    }
    std::cerr << text.toStdString() << std::endl;
    if (!operatorContinues(text, parent))
        return false;
    if (!TagIndex::keepCopy(files.indexPath).isEmpty())
        return true;
    QMessageBox::warning(parent, QStringLiteral("Warning"),
                         QStringLiteral("Fail writing to ") + files.indexPath);
    return false;
}
