#ifndef QUADROTAG_ICUCOLLATOR_H
#define QUADROTAG_ICUCOLLATOR_H

#include <QLocale>
#include <QStringView>

#include <vector>

struct UCollator;

// The collator QCollator uses for a language in numeric mode, made with the same settings, whose
// sort keys are read as bytes so that a million of them fit in one buffer. Each thread works
// with its own copy.
class IcuCollator
{
public:
    explicit IcuCollator(const QLocale& locale);
    IcuCollator(const IcuCollator& other);
    IcuCollator& operator=(const IcuCollator&) = delete;
    ~IcuCollator();

    // The sort key of text, ending in its one zero byte, into key; its length with that byte.
    // Keys compare as byte strings in the collator's order.
    std::size_t keyOf(QStringView text, std::vector<unsigned char>& key) const;
    // Below, at or above zero as left sorts before, with or after right; as their keys compare.
    int compare(QStringView left, QStringView right) const;

private:
    UCollator* collator = nullptr;
};

// The language file names are sorted in: the user's, or English under the C locale, which
// compares code points and knows no numbers.
QLocale namingLocale();

#endif
