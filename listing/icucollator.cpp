#include "icucollator.h"

#include <unicode/ucol.h>
#include <unicode/uvernum.h>

namespace {
// Enough for most file names; a longer key is made again at its length.
const std::size_t usualKeyBytes = 256;
} // namespace

IcuCollator::IcuCollator(const QLocale& locale)
{
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray name =
        locale.bcp47Name().replace(QLatin1Char('-'), QLatin1Char('_')).toLatin1();
    collator = ucol_open(name.constData(), &status);
    if (U_FAILURE(status)) {
        collator = nullptr;
        return;
    }
    // As QCollator sets them: normalised, case counted, numbers by value, punctuation counted.
    ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    status = U_ZERO_ERROR;
    ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_DEFAULT_STRENGTH, &status);
    status = U_ZERO_ERROR;
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    status = U_ZERO_ERROR;
    ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
}

IcuCollator::IcuCollator(const IcuCollator& other)
{
    if (!other.collator)
        return;
    UErrorCode status = U_ZERO_ERROR;
#if U_ICU_VERSION_MAJOR_NUM >= 71
    collator = ucol_clone(other.collator, &status);
#else
    collator = ucol_safeClone(other.collator, nullptr, nullptr, &status);
#endif
    if (U_FAILURE(status))
        collator = nullptr;
}

IcuCollator::~IcuCollator()
{
    if (collator)
        ucol_close(collator);
}

std::size_t IcuCollator::keyOf(QStringView text, std::vector<unsigned char>& key) const
{
    // Without a collator every key is the same, and texts fall back on their characters.
    if (!collator) {
        key.assign(1, 0);
        return 1;
    }
    if (key.size() < usualKeyBytes)
        key.resize(usualKeyBytes);
    const auto* characters = reinterpret_cast<const UChar*>(text.utf16());
    const auto length = int32_t(text.size());
    int32_t size = ucol_getSortKey(collator, characters, length, key.data(), int32_t(key.size()));
    if (size > int32_t(key.size())) {
        key.resize(std::size_t(size));
        size = ucol_getSortKey(collator, characters, length, key.data(), size);
    }
    if (size <= 0) {
        key.assign(1, 0);
        return 1;
    }
    return std::size_t(size);
}

int IcuCollator::compare(QStringView left, QStringView right) const
{
    // Without a collator every key is the same.
    if (!collator)
        return 0;
    return ucol_strcoll(collator, reinterpret_cast<const UChar*>(left.utf16()),
                        int32_t(left.size()), reinterpret_cast<const UChar*>(right.utf16()),
                        int32_t(right.size()));
}

QLocale namingLocale()
{
    const QLocale system;
    return system.language() == QLocale::C ? QLocale(QLocale::English) : system;
}
