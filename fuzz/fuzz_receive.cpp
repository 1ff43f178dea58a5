// Fuzz target: the pad-state stream receiver. The input is what the other
// machine put on the stream before closing it; the receiver takes messages
// until it refuses one, and must end on every input.
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "net/cNetwork.h"
#include "platform/socket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;  // stays within one socket buffer: no writer thread needed
    SocketHandle mine = kNoSocket;
    SocketHandle theirs = kNoSocket;
    if (!SocketPair(&mine, &theirs)) return 0;
    if (size > 0 && SocketSend(theirs, data, size) != static_cast<long>(size)) __builtin_trap();
    SocketClose(theirs);  // the other machine goes away

    cNetwork line;
    line.Adopt(mine, true, 0, 0);
    size_t messages = 0;
    PadState state;
    while (line.ReceivePadState(&state)) {
        ++messages;
        if (messages > size / kPadMessageSize) __builtin_trap();  // more than the bytes hold
    }
    // Whole pad messages at the front are all taken before the receiver stops.
    size_t expected = 0;
    while ((expected + 1) * kPadMessageSize <= size && data[expected * kPadMessageSize] == 0) {
        ++expected;
    }
    if (messages != expected) __builtin_trap();
    line.Shutdown();  // the quit notice goes nowhere; the socket closes
    return 0;
}
