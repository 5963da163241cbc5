#include "vocabularyquestion.h"

#include "tagindex.h"
#include "taglayout.h"
#include "vocabularychange.h"

#include <QMessageBox>
#include <QPushButton>

#include <fstream>
#include <iostream>

namespace {

const int listedChanges = 20;

// Both files are read as the tag table and its export would; either missing means there
// is nothing to compare, as before any index was written.
bool readIndices(const QString& vocabularyPath, const QString& indexPath, TagIndex& before,
                 TagIndex& after)
{
    std::ifstream vocabulary(vocabularyPath.toStdString());
    if (!vocabulary || !before.read(indexPath))
        return false;
    TagLayout layout;
    layout.read(vocabulary);
    after = TagIndex::ofLayout(layout);
    return true;
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
    text += QStringLiteral("\n\nQuit to put the vocabulary back or to migrate the label files "
                           "first (quadrotag-relabel). Continue keeps the old index as "
                           "index2tag-<date-time>.csv and writes the new one.");
    return text;
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
    TagIndex before;
    TagIndex after;
    if (!readIndices(vocabularyPath, indexPath, before, after))
        return true;
    const VocabularyChange change(before, after);
    if (change.isEmpty())
        return true;

    const QStringList lines = change.lines(listedChanges);
    const QString text = questionText(change, lines);
    std::cerr << text.toStdString() << std::endl;
    if (!operatorContinues(text, parent))
        return false;
    if (!TagIndex::keepCopy(indexPath).isEmpty())
        return true;
    QMessageBox::warning(parent, QStringLiteral("Warning"),
                         QStringLiteral("Fail writing to ") + indexPath);
    return false;
}
