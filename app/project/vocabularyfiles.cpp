#include "vocabularyfiles.h"

#include "projectfolder.h"
#include "tagnames.h"

#include <future>
#include <system_error>

namespace {

// On a thread of its own, also before the application is made; here where none can be had.
std::future<LabelFileSnapshot> snapshotAside(const QString& path)
{
    try {
        return std::async(std::launch::async, &LabelFileSnapshot::of, path);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, &LabelFileSnapshot::of, path);
    }
}

} // namespace

VocabularyFiles VocabularyFiles::read(const QString& vocabularyPath, const QString& indexPath)
{
    // Side by side: on a share each file takes three round trips.
    std::future<LabelFileSnapshot> index = snapshotAside(indexPath);
    std::future<LabelFileSnapshot> names = snapshotAside(TagNames::pathFor(indexPath));
    const LabelFileSnapshot vocabulary = LabelFileSnapshot::of(vocabularyPath);
    return {vocabularyPath, indexPath, vocabulary, index.get(), names.get()};
}

VocabularyFiles VocabularyFiles::ofProject(const QString& projectFolder)
{
    if (projectFolder.isEmpty())
        return read(QStringLiteral("tags"), QStringLiteral("index2tag.csv"));
    return read(vocabularyPathIn(projectFolder), indexPathIn(projectFolder));
}
