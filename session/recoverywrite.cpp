#include "recoverywrite.h"

#include <utility>

RecoveryWrite::RecoveryWrite(std::shared_ptr<RecoveryFile> file, std::string bytes,
                             std::function<bool()> claimCheck,
                             std::chrono::milliseconds stalledAfter)
    : file(std::move(file)), bytes(std::move(bytes)), claimCheck(std::move(claimCheck)),
      stalledAfter(stalledAfter)
{
}

void RecoveryWrite::run()
{
    Stage waiting = Stage::Waiting;
    if (!stage.compare_exchange_strong(waiting, Stage::Begun))
        return;
    const auto begun = std::chrono::steady_clock::now();
    claimWasHeld = !claimCheck || claimCheck();
    wasWritten = claimWasHeld && file->write(bytes);
    // A share that stalled long enough for the claim to be taken over may have let the next
    // holder clear the image's files before these bytes landed: taken back, they are offered
    // to no one as nobody's.
    if (wasWritten && claimCheck && std::chrono::steady_clock::now() - begun > stalledAfter &&
        !claimCheck()) {
        file->remove();
        wasWritten = false;
        claimWasHeld = false;
    }
}

void RecoveryWrite::supersede()
{
    Stage waiting = Stage::Waiting;
    stage.compare_exchange_strong(waiting, Stage::Superseded);
}
