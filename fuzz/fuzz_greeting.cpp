// Fuzz target: the greeting parser. A greeting taken from any bytes is one
// the game writes the same way again, and no answer the host would give to
// it is larger than it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/GreetingWire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Greeting g;
    if (!ParseGreeting(data, size, &g)) return 0;
    const std::vector<uint8_t> again = EncodeGreeting(g);
    if (g.kind != DatagramKind::Hello && again.size() != size) __builtin_trap();
    if (g.kind == DatagramKind::Hello) {
        // The host answers a HELLO with a WELCOME or a REFUSE: never larger.
        Greeting welcome;
        welcome.kind = DatagramKind::Welcome;
        welcome.version = g.version;
        Greeting refuse;
        refuse.kind = DatagramKind::Refuse;
        refuse.version = g.version;
        if (EncodeGreeting(welcome).size() > size || EncodeGreeting(refuse).size() > size) __builtin_trap();
    }
    if (g.kind == DatagramKind::Ping) {
        Greeting pong;
        pong.kind = DatagramKind::Pong;
        if (EncodeGreeting(pong).size() > size) __builtin_trap();
    }
    return 0;
}
