#include "recoverywrite.h"

#include <utility>

RecoveryWrite::RecoveryWrite(std::shared_ptr<RecoveryFile> file, std::string bytes,
                             std::function<bool()> claimCheck)
    : file(std::move(file)), bytes(std::move(bytes)), claimCheck(std::move(claimCheck))
{
}

void RecoveryWrite::run()
{
    Stage waiting = Stage::Waiting;
    if (!stage.compare_exchange_strong(waiting, Stage::Begun))
        return;
    claimWasHeld = !claimCheck || claimCheck();
    wasWritten = claimWasHeld && file->write(bytes);
}

void RecoveryWrite::supersede()
{
    Stage waiting = Stage::Waiting;
    stage.compare_exchange_strong(waiting, Stage::Superseded);
}
