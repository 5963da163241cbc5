#include "imagenames.h"

#include <algorithm>
#include <array>

namespace {

const std::array<std::string_view, 7> suffixes = {".jpg", ".jpeg", ".png", ".webp",
                                                  ".tif", ".tiff", ".bmp"};

char lowered(char letter)
{
    return letter >= 'A' && letter <= 'Z' ? char(letter - 'A' + 'a') : letter;
}

bool endsWithIgnoringCase(std::string_view name, std::string_view suffix)
{
    if (name.size() <= suffix.size())
        return false;
    const std::string_view end = name.substr(name.size() - suffix.size());
    return std::equal(end.begin(), end.end(), suffix.begin(),
                      [](char left, char right) { return lowered(left) == right; });
}

QStringList caseSpellingsOf(const QString& suffix)
{
    QStringList spellings{QString()};
    for (const QChar letter : suffix) {
        QStringList longer;
        for (const QString& spelling : spellings) {
            longer << spelling + letter.toLower();
            if (letter.toUpper() != letter.toLower())
                longer << spelling + letter.toUpper();
        }
        spellings = longer;
    }
    return spellings;
}

} // namespace

const QStringList& imageSuffixSpellings()
{
    static const QStringList all = [] {
        QStringList spellings;
        for (const QString& suffix : imageSuffixes())
            spellings << caseSpellingsOf(suffix);
        return spellings;
    }();
    return all;
}

const QStringList& imageSuffixes()
{
    static const QStringList listed = [] {
        QStringList all;
        for (const std::string_view suffix : suffixes)
            all << QString::fromLatin1(suffix.data(), qsizetype(suffix.size()));
        return all;
    }();
    return listed;
}

bool isImageFileName(std::string_view name)
{
    return std::any_of(suffixes.begin(), suffixes.end(), [name](std::string_view suffix) {
        return endsWithIgnoringCase(name, suffix);
    });
}

bool isImageFileName(const QString& name)
{
    // Every suffix is plain letters, so what Latin-1 makes of other characters does not matter.
    const QByteArray latin = name.toLatin1();
    return isImageFileName(std::string_view(latin.constData(), std::size_t(latin.size())));
}

std::string_view stemOf(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

QString imageNameFilter()
{
    QStringList patterns;
    for (const QString& suffix : imageSuffixes())
        patterns << QLatin1Char('*') + suffix;
    return QStringLiteral("Images (%1)").arg(patterns.join(QLatin1Char(' ')));
}
