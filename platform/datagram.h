// UDP sockets for the two-machine game: one non-blocking socket per game,
// datagrams to and from addresses kept as opaque values, and the broadcast
// a joining machine uses to find a host on its own network.
//
// Addresses are stored the way the game compares them: an IPv4 peer is an
// IPv4 address whether a dual-stack socket reported it as ::ffff:a.b.c.d or
// the name service gave it as a.b.c.d.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/socket.h"

// One socket address (IPv4 or IPv6, with its port), held as the bytes of the
// system's address structure so that this header needs no system header.
struct NetAddress {
    alignas(8) uint8_t bytes[128] = {};
    uint32_t length = 0;  // 0: no address

    // Whether an address is held.
    bool Valid() const { return length != 0; }
    // The port, in host order (0 when there is no address).
    uint16_t Port() const;
    // Printable form: "192.168.1.20:47800", "[::1]:47800", "(none)".
    std::string Text() const;
    // Same family, address, port (and IPv6 scope).
    bool operator==(const NetAddress& other) const;
    // The opposite of ==.
    bool operator!=(const NetAddress& other) const { return !(*this == other); }
    // The same address with port 0: the machine, whichever port it sends from.
    NetAddress Host() const;
};

// An address as plain values, for wires and tables that must not depend on
// the system's structures (the meeting server's): the family (4 or 6; 0: no
// address), the address's bytes (IPv4 in the first 4, the rest zero) and the
// port. An IPv6 address's scope is left out: only addresses that need none
// are passed on.
struct Endpoint {
    uint8_t family = 0;
    uint8_t ip[16] = {};
    uint16_t port = 0;

    bool Valid() const { return family == 4 || family == 6; }
    bool operator==(const Endpoint& other) const;
    bool operator!=(const Endpoint& other) const { return !(*this == other); }
    // As NetAddress::Text() prints it.
    std::string Text() const;
};

// The endpoint of an address (family 0 when there is none).
Endpoint EndpointOf(const NetAddress& address);
// The address of an endpoint (none when its family is neither 4 nor 6).
NetAddress AddressOf(const Endpoint& endpoint);

// An open datagram socket with the port it is bound to and what it received.
struct DatagramSocket {
    SocketHandle handle = kNoSocket;
    bool dualStack = false;  // IPv6 with IPv4 mapped in; false: IPv4 only
    uint16_t port = 0;       // the local port, as bound
    uint64_t received = 0;   // datagrams taken from the socket
    uint64_t rejected = 0;   // of them, dropped unread: too large for the buffer, or empty
    int receiveBuffer = 0;   // bytes the system holds for it before it drops datagrams

    // Whether the socket is open.
    bool Open() const { return handle != kNoSocket; }
};

// The receive buffer asked for: a few frames of a flood of the largest
// datagrams, so a partner's datagram finds room between two reads. The
// system may give less (net.core.rmem_max caps it for a player's process).
constexpr int kReceiveBufferBytes = 8 << 20;

// Opens a non-blocking dual-stack (or IPv4) UDP socket at `port`, 0: any; *error when not Open().
DatagramSocket OpenDatagramSocket(uint16_t port, std::string* error);
// Closes the socket; closing a closed one does nothing.
void CloseDatagramSocket(DatagramSocket* socket);

// Sends one datagram; false on an error (the datagram was not sent).
bool SendDatagram(const DatagramSocket& socket, const NetAddress& to, const void* data,
                  size_t size);
// ReceiveDatagram passed over as many datagrams as it may in one call; more may be waiting.
constexpr long kDatagramsPassedOver = -2;
// Takes a datagram and its source: its size, 0 if none is waiting, -1 on an
// error. Datagrams over `capacity` (or empty) are dropped unread, without
// copying more than `capacity` of them; after 64 such the call returns
// kDatagramsPassedOver, so a flood of them cannot hold the caller.
long ReceiveDatagram(DatagramSocket* socket, void* buffer, size_t capacity, NetAddress* from);
// Waits at most timeoutMs for a datagram: 1 when one is there, 0 when none came, -1 on error.
int WaitDatagram(const DatagramSocket& socket, int timeoutMs);

// Asks for receive and send buffers of `bytes` each, as far as the system
// allows (more than net.core.rmem_max only with CAP_NET_ADMIN); returns the
// receive buffer granted, in bytes (0 on an error).
int SetDatagramBuffers(const DatagramSocket& socket, int bytes);

// Allows the socket to send broadcasts; false on an error.
bool EnableBroadcast(const DatagramSocket& socket);
// Sends to `port` at each interface's IPv4 broadcast and 255.255.255.255; returns the sends made.
int BroadcastDatagram(const DatagramSocket& socket, uint16_t port, const void* data, size_t size);

// This machine's name (its host name), "" when it has none.
std::string MachineName();

// Looks host up for UDP at `port`, its IPv4 address first; false with a one-line *error.
bool ResolveAddress(const std::string& host, uint16_t port, NetAddress* address,
                    std::string* error);

// This machine's own addresses at `port`, as a partner on its network would
// reach them: the IPv4 address of every interface that is up, then its IPv6
// addresses, leaving out loopback and link-local ones.
std::vector<NetAddress> LocalAddresses(uint16_t port);
