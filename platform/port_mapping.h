// Opening the hosting machine's game port on its router, so a partner on the
// internet can reach it without forwarding the port by hand: NAT-PMP first,
// then UPnP IGD. Hosting works without it: a router that does not answer, or
// refuses, only means the port has to be opened some other way.
//
// A mapping is asked for a lease (an hour for a game): the router closes the
// port by itself when the lease runs out, so a host that crashed leaves it
// open no longer than that. A running game renews it (RenewMapping) and
// removes it when it ends (UnmapPort).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// How a mapping was made.
enum class MappingWay { None, NatPmp, Upnp };

// A mapping made on the router: external UDP port `externalPort` to `port` of
// this machine, and what is needed to renew and remove it.
struct PortMapping {
    bool mapped = false;
    MappingWay way = MappingWay::None;
    uint16_t port = 0;            // this machine's
    uint16_t externalPort = 0;    // the router's (a NAT-PMP router may pick another)
    uint32_t leaseSeconds = 0;    // as granted; 0: until removed (the router allows no other)
    std::string externalAddress;  // the router's public address ("" if it would not say)
    std::string lanAddress;       // UPnP: this machine's address on the router's network
    std::string controlUrl;       // UPnP: where the router takes its commands
    std::string serviceType;      // UPnP: the router's connection service
    uint32_t gateway = 0;         // NAT-PMP: the router's IPv4 address, network order
};

// "NAT-PMP", "UPnP" or "".
const char* MappingWayName(MappingWay way);

// Maps UDP `port` to this machine's same port for `leaseSeconds`: NAT-PMP
// (an answer within milliseconds where the router speaks it, given up after
// a second), then UPnP (a search of about 2 s). `stop`, asked between short
// waits, gives up early. False with a one-line *why.
bool MapUdpPort(uint16_t port, uint32_t leaseSeconds, PortMapping* mapping, std::string* why,
                const std::function<bool()>& stop = {});
// Each way on its own (the tests ask for one).
bool MapWithNatPmp(uint16_t port, uint32_t leaseSeconds, PortMapping* mapping, std::string* why,
                   const std::function<bool()>& stop = {});
bool MapWithUpnp(uint16_t port, uint32_t leaseSeconds, PortMapping* mapping, std::string* why);
// Asks for the same mapping again, for a new lease; false with *why when the
// router did not renew it (the mapping is kept as it was).
bool RenewMapping(PortMapping& mapping, std::string* why);
// Removes the mapping from the router; does nothing when nothing was mapped.
void UnmapPort(PortMapping& mapping);
