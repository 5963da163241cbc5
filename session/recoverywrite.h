#ifndef QUADROTAG_RECOVERYWRITE_H
#define QUADROTAG_RECOVERYWRITE_H

#include "recoveryfile.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

// One write of an image's recovery file, queued on a worker behind whatever was asked of it
// before: the claim confirmed, then the state kept. A save that begins first supersedes it, so
// the save never waits on a share for the keeping of what it is about to store.
class RecoveryWrite
{
public:
    // stalledAfter: a write that took longer may have outlived the claim, which is asked again.
    RecoveryWrite(std::shared_ptr<RecoveryFile> file, std::string bytes,
                  std::function<bool()> claimCheck,
                  std::chrono::milliseconds stalledAfter = std::chrono::seconds(2));

    // On the worker; does nothing once superseded.
    void run();
    // Drops the write unless it has begun.
    void supersede();

    // Read once run() has returned.
    bool wasSuperseded() const { return stage == Stage::Superseded; }
    bool claimHeld() const { return claimWasHeld; }
    bool written() const { return wasWritten; }

private:
    enum class Stage { Waiting, Begun, Superseded };

    std::shared_ptr<RecoveryFile> file;
    std::string bytes;
    std::function<bool()> claimCheck;
    std::chrono::milliseconds stalledAfter;
    std::atomic<Stage> stage{Stage::Waiting};
    bool claimWasHeld = true;
    bool wasWritten = false;
};

#endif
