#include "platform/main_loop.h"

int RunLoop(const LoopParts& parts) {
    int status = 0;
    while (parts.pass(&status) != LoopPass::Ended) {
    }
    return parts.finish ? parts.finish(status) : status;
}
