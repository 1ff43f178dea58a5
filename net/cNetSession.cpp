#include "net/cNetSession.h"

#include "net/cNetPlay.h"
#include "net/cNetwork.h"

std::unique_ptr<cNetSession> NewNetSession(const NetSettings& settings) {
    if (settings.lockstep) return std::make_unique<cNetwork>();
    return std::make_unique<cNetPlay>();
}
