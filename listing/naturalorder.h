#ifndef QUADROTAG_NATURALORDER_H
#define QUADROTAG_NATURALORDER_H

#include <QStringList>

#include <functional>
#include <vector>

// The positions of texts in the order people count them ("img2" before "img10"): the
// collation of the user's language with numbers compared by value, as QCollator's numeric mode
// sorts, and texts it finds equal ("img2", "img02") in the order of their characters. Each
// text is compared from position from on, so the paths of one folder sort by file name. A
// long list is sorted on several threads, each key made once and compared in place.
std::vector<int> naturalOrderOf(const QStringList& texts, qsizetype from = 0);

// The same order of count texts that textAt gives, each as a view of the scratch string
// it may fill or of a text that outlives the sorting. textAt is called from several threads at
// once, each with a scratch string of its own.
using TextAt = std::function<QStringView(std::size_t index, QString& scratch)>;
std::vector<int> naturalOrderOf(std::size_t count, const TextAt& textAt);

#endif
