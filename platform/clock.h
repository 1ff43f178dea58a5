// Time: a 32-bit millisecond counter that wraps at 2^32, and short sleeps.
#pragma once

#include <cstdint>

// Milliseconds since an arbitrary start, wrapping at 2^32.
uint32_t timeGetTime();
// Timer resolution requests; the clock already has millisecond grain here.
inline void timeBeginPeriod(uint32_t) {}
inline void timeEndPeriod(uint32_t) {}
// Sleeps about the given number of milliseconds.
void Sleep(uint32_t milliseconds);
