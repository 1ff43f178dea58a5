// Opening the hosting machine's game port on its router (UPnP IGD), so a
// partner on the internet can reach it without forwarding the port by hand.
// Hosting works without it: a router that does not answer, or refuses, only
// means the port has to be opened some other way.
#pragma once

#include <cstdint>
#include <string>

// A mapping made on the router: external UDP port `port` to the same port of
// `lanAddress`, and what is needed to remove it again.
struct PortMapping {
    bool mapped = false;
    uint16_t port = 0;
    std::string externalAddress;  // the router's public address ("" if it would not say)
    std::string lanAddress;       // this machine's address on the router's network
    std::string controlUrl;       // where the router takes its commands
    std::string serviceType;      // the router's connection service
};

// Finds a router (~2 s), maps UDP `port` to this machine's same port; false with a one-line *why.
bool MapUdpPort(uint16_t port, PortMapping* mapping, std::string* why);
// Removes the mapping from the router; does nothing when nothing was mapped.
void UnmapPort(PortMapping& mapping);
