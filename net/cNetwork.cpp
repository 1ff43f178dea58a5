#include "net/cNetwork.h"

#include <cstdio>
#include <cstring>

#include "input/cInput.h"
#include "platform/report.h"

static_assert(kPadStateBytes == kPadStateSize, "a message carries one pad record");

bool netOpen = false;
bool netActive = false;
int32_t netRole = 0;
SocketHandle netSocket1 = kNoSocket;
SocketHandle netSocket2 = kNoSocket;

namespace {

// Fixed storage: readable at any time, also during static destruction.
char failure[160];

SocketHandle RoleSocket() { return netRole == 1 ? netSocket1 : netSocket2; }

void SetFailure(const std::string& reason) {
    std::snprintf(failure, sizeof failure, "%s", reason.c_str());
}

}  // namespace

const char* NetworkFailure() { return failure; }

bool SendPadState(const PadState& state) {
    uint8_t message[kPadMessageSize];
    message[0] = kMessagePadState;
    EncodePadState(state, message + 1);
    if (SocketSend(RoleSocket(), message, sizeof message) < 0) {
        SetFailure("the connection to the other machine broke: " + SocketErrorText());
        return false;
    }
    return true;
}

bool ReceivePadState(PadState* state) {
    uint8_t message[kPadMessageSize] = {};
    size_t received = 0;
    while (received < kPadMessageSize) {
        const long n = SocketReceive(RoleSocket(), message + received, kPadMessageSize - received);
        if (n < 0) {
            SetFailure("the connection to the other machine broke: " + SocketErrorText());
            return false;
        }
        // A stream that ends without a quit notice would otherwise deliver
        // nothing for ever.
        if (n == 0) {
            SetFailure("the other machine closed the connection");
            return false;
        }
        received += static_cast<size_t>(n);
        if (message[0] != kMessagePadState) {
            if (message[0] == kMessageQuit) {
                SetFailure("the other machine quit");
            } else {
                char text[80];
                std::snprintf(text, sizeof text,
                              "the other machine sent a message of unknown kind %u",
                              static_cast<unsigned>(message[0]));
                SetFailure(text);
            }
            return false;
        }
    }
    *state = DecodePadState(message + 1);
    return true;
}

bool ExchangePadStates() {
    const PadState local = input.pads[0].current;
    PadState received{};
    bool ok = true;
    if (netRole == 1) {
        ok = SendPadState(local) && ReceivePadState(&received);
        if (ok) input.pads[1].current = received;
    } else {
        input.pads[1].current = local;
        ok = ReceivePadState(&received);
        if (ok) {
            input.pads[0].current = received;
            ok = SendPadState(input.pads[1].current);
        }
    }
    if (!ok) Report("network", "%s", failure);
    return ok;
}

void ShutdownNetwork() {
    if (!netOpen) return;
    const SocketHandle socket = RoleSocket();
    if (netActive) {
        const uint8_t quit = kMessageQuit;
        SocketSend(socket, &quit, 1);  // the other side may be gone already
    }
    // Both roles end and close their connection, so neither side keeps it
    // half-open after this machine has gone.
    SocketShutdown(socket);
    SocketClose(socket);
    if (netRole == 1) {
        netSocket1 = kNoSocket;
    } else {
        netSocket2 = kNoSocket;
    }
    netActive = false;
    netOpen = false;
}

bool ConnectNetwork(const AppOptions& options, std::string* error) {
    return ConnectNetwork(options, kConnectTimeoutMs, error);
}

bool ConnectNetwork(const AppOptions& options, uint32_t connectTimeoutMs, std::string* error) {
    if (options.net == AppOptions::Net::None) return true;

    InterruptWatch watch;
    const CancelCheck cancelled = [&watch] { return watch.Interrupted(); };
    bool wasCancelled = false;
    SocketHandle socket = kNoSocket;
    if (options.net == AppOptions::Net::Host) {
        const uint16_t port = options.port;
        socket = AcceptOnePartner(
            port,
            [port] {
                Report("network", "waiting for a second machine to join on port %u (Ctrl+C to cancel)",
                       static_cast<unsigned>(port));
            },
            cancelled, &wasCancelled, error);
    } else {
        Report("network", "connecting to %s port %u (Ctrl+C to cancel)", options.host.c_str(),
               static_cast<unsigned>(options.port));
        socket = ConnectToPartner(options.host, options.port, connectTimeoutMs, cancelled,
                                  &wasCancelled, error);
    }
    if (socket == kNoSocket) return false;

    if (options.net == AppOptions::Net::Host) {
        netRole = 1;
        netSocket1 = socket;
    } else {
        netRole = 2;
        netSocket2 = socket;
    }
    failure[0] = '\0';
    netOpen = true;
    netActive = true;
    return true;
}
