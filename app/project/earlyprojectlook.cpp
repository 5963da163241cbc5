#include "earlyprojectlook.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// One thing found early, handed out once.
template <typename Value> struct Found
{
    std::optional<Value> value;
    bool taken = false;
};

struct Look
{
    QString path;
    std::mutex lock;
    std::condition_variable done;
    Found<OpenedProject> project;
    Found<VocabularyFiles> vocabulary;
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

// Runs find aside and keeps what it finds in the look's slot; false where no thread could be had.
template <typename Value, typename Find>
bool findAside(const std::shared_ptr<Look>& early, Found<Value> Look::*slot, Find find)
{
    return aside([early, slot, find] {
        Value value = find(early->path);
        const std::lock_guard<std::mutex> held(early->lock);
        ((*early).*slot).value = std::move(value);
        early->done.notify_all();
    });
}

// What was found in the slot of the look for path, waited for, once.
template <typename Value>
std::optional<Value> takeOnce(const QString& path, Found<Value> Look::*slot)
{
    const std::shared_ptr<Look> early = lookFor(path);
    if (!early)
        return std::nullopt;
    Found<Value>& found = (*early).*slot;
    std::unique_lock<std::mutex> held(early->lock);
    if (std::exchange(found.taken, true))
        return std::nullopt;
    early->done.wait(held, [&found] { return found.value.has_value(); });
    return found.value;
}

} // namespace

void EarlyProjectLook::start(const QString& path)
{
    auto next = std::make_shared<Look>();
    next->path = path;
    const bool looking = findAside(next, &Look::project, &openedProjectOf);
    const bool reading = looking && findAside(next, &Look::vocabulary, &VocabularyFiles::ofProject);
    // Without both, nothing is taken: a lone look could not be told apart from a lost read.
    const std::lock_guard<std::mutex> held(lookLock);
    look = looking && reading ? next : nullptr;
}

std::optional<OpenedProject> EarlyProjectLook::takeProject(const QString& path)
{
    return takeOnce(path, &Look::project);
}

std::optional<VocabularyFiles> EarlyProjectLook::takeVocabulary(const QString& projectFolder)
{
    return takeOnce(projectFolder, &Look::vocabulary);
}

int EarlyProjectLook::underWay()
{
    return looksUnderWay.load();
}
