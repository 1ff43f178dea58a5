// Pad-state exchange with a second machine (placeholder until the network work lands).
#pragma once

#include <cstdint>

extern bool netOpen;
extern bool netActive;
extern int32_t netRole;

bool ExchangePadStates();
void ShutdownNetwork();

// Runs ShutdownNetwork during static destruction.
struct NetworkLifetime {
    ~NetworkLifetime() { ShutdownNetwork(); }
};
