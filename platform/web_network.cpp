// The browser build's network: a page cannot open the sockets a two-machine
// game uses (UDP datagrams, a TCP stream, the router's port mapping, the
// broadcast that finds a host), so every call that would start one fails
// with the same plain reason, and the rest answer as for a closed socket.
#include <cerrno>
#include <vector>

#include "platform/datagram.h"
#include "platform/port_mapping.h"
#include "platform/socket.h"

namespace {

constexpr char kNotInBrowser[] = "two-machine play is not in the browser yet";

}  // namespace

// --- Streams (--lockstep) ----------------------------------------------------

long SocketSend(SocketHandle, const void*, size_t) { return -1; }
long SocketReceive(SocketHandle, void*, size_t) { return -1; }
int SocketWaitReadable(SocketHandle, int) { return -1; }
void SocketShutdown(SocketHandle) {}
void SocketClose(SocketHandle) {}
std::string SocketErrorText() { return kNotInBrowser; }
bool TwoMachinePlayAvailable() { return false; }
void SocketKeepAlive(SocketHandle) {}

SocketHandle AcceptOnePartner(uint16_t, const std::function<void()>&, const CancelCheck&,
                              bool* wasCancelled, std::string* error) {
    if (wasCancelled) *wasCancelled = false;
    if (error) *error = kNotInBrowser;
    return kNoSocket;
}

SocketHandle ConnectToPartner(const std::string&, uint16_t, uint32_t, const CancelCheck&,
                              bool* wasCancelled, std::string* error) {
    if (wasCancelled) *wasCancelled = false;
    if (error) *error = kNotInBrowser;
    return kNoSocket;
}

bool SocketPair(SocketHandle* first, SocketHandle* second) {
    *first = *second = kNoSocket;
    return false;
}

// A page has no signals to watch: nothing ever interrupts.
InterruptWatch::InterruptWatch() = default;
InterruptWatch::~InterruptWatch() = default;
bool InterruptWatch::Interrupted() const { return false; }

// --- Datagrams ---------------------------------------------------------------

uint16_t NetAddress::Port() const { return 0; }
std::string NetAddress::Text() const { return "(none)"; }
bool NetAddress::operator==(const NetAddress& other) const { return length == other.length; }

DatagramSocket OpenDatagramSocket(uint16_t, std::string* error) {
    if (error) *error = kNotInBrowser;
    return DatagramSocket{};
}

void CloseDatagramSocket(DatagramSocket* socket) { socket->handle = kNoSocket; }
bool SendDatagram(const DatagramSocket&, const NetAddress&, const void*, size_t) { return false; }
long ReceiveDatagram(DatagramSocket*, void*, size_t, NetAddress*) { return -1; }
int WaitDatagram(const DatagramSocket&, int) { return -1; }
bool EnableBroadcast(const DatagramSocket&) { return false; }
int BroadcastDatagram(const DatagramSocket&, uint16_t, const void*, size_t) { return 0; }

std::vector<NetAddress> LocalAddresses(uint16_t) { return {}; }
Endpoint EndpointOf(const NetAddress&) { return Endpoint{}; }
NetAddress AddressOf(const Endpoint&) { return NetAddress{}; }
int SetDatagramBuffers(const DatagramSocket&, int) { return 0; }
bool Endpoint::operator==(const Endpoint& other) const { return family == other.family; }
std::string Endpoint::Text() const { return "(none)"; }
NetAddress NetAddress::Host() const { return NetAddress{}; }
std::string MachineName() { return "browser"; }

bool ResolveAddress(const std::string&, uint16_t, NetAddress*, std::string* error) {
    if (error) *error = kNotInBrowser;
    return false;
}

// --- The router's port mapping -------------------------------------------------

const char* MappingWayName(MappingWay) { return "none"; }

bool MapUdpPort(uint16_t, uint32_t, PortMapping*, std::string* why, const std::function<bool()>&) {
    if (why) *why = kNotInBrowser;
    return false;
}

bool RenewMapping(PortMapping&, std::string* why) {
    if (why) *why = kNotInBrowser;
    return false;
}

void UnmapPort(PortMapping& mapping) { mapping.mapped = false; }
