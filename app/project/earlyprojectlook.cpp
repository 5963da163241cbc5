#include "earlyprojectlook.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace {

struct Look
{
    QString path;
    std::mutex lock;
    std::condition_variable done;
    std::optional<OpenedProject> project;
    std::optional<VocabularyFiles> vocabulary;
    bool projectTaken = false;
    bool vocabularyTaken = false;
};

std::mutex lookLock;
std::shared_ptr<Look> look;
std::atomic<int> looksUnderWay{0};

// Runs work on a detached thread, which a share that stalls can't make the end of the program
// wait for; false where no thread could be started.
template <typename Work> bool aside(Work work)
{
    ++looksUnderWay;
    try {
        std::thread([work = std::move(work)] {
            work();
            --looksUnderWay;
        }).detach();
        return true;
    } catch (...) {
        --looksUnderWay;
        return false;
    }
}

std::shared_ptr<Look> lookFor(const QString& path)
{
    const std::lock_guard<std::mutex> held(lookLock);
    return look && look->path == path ? look : nullptr;
}

} // namespace

void EarlyProjectLook::start(const QString& path)
{
    auto next = std::make_shared<Look>();
    next->path = path;
    const bool looking = aside([next] {
        OpenedProject found = openedProjectOf(next->path);
        const std::lock_guard<std::mutex> held(next->lock);
        next->project = std::move(found);
        next->done.notify_all();
    });
    const bool reading = looking && aside([next] {
                             VocabularyFiles read = VocabularyFiles::ofProject(next->path);
                             const std::lock_guard<std::mutex> held(next->lock);
                             next->vocabulary = std::move(read);
                             next->done.notify_all();
                         });
    // Without both, nothing is taken: a lone look could not be told apart from a lost read.
    const std::lock_guard<std::mutex> held(lookLock);
    look = looking && reading ? next : nullptr;
}

std::optional<OpenedProject> EarlyProjectLook::takeProject(const QString& path)
{
    const std::shared_ptr<Look> early = lookFor(path);
    if (!early)
        return std::nullopt;
    std::unique_lock<std::mutex> held(early->lock);
    if (std::exchange(early->projectTaken, true))
        return std::nullopt;
    early->done.wait(held, [&early] { return early->project.has_value(); });
    return early->project;
}

std::optional<VocabularyFiles> EarlyProjectLook::takeVocabulary(const QString& projectFolder)
{
    const std::shared_ptr<Look> early = lookFor(projectFolder);
    if (!early)
        return std::nullopt;
    std::unique_lock<std::mutex> held(early->lock);
    if (std::exchange(early->vocabularyTaken, true))
        return std::nullopt;
    early->done.wait(held, [&early] { return early->vocabulary.has_value(); });
    return early->vocabulary;
}

int EarlyProjectLook::underWay()
{
    return looksUnderWay.load();
}
