#include "platform/port_mapping.h"

#include <arpa/inet.h>
#include <poll.h>

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>
#define ENABLE_STRNATPMPERR
#include <natpmp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// How long the UPnP search waits for routers to answer.
constexpr int kSearchMs = 2000;
// What the search asks for, all at once: one wait for every kind of answer.
const char* const kSearchTypes[] = {
    "urn:schemas-upnp-org:device:InternetGatewayDevice:1",
    "urn:schemas-upnp-org:service:WANIPConnection:1",
    "urn:schemas-upnp-org:service:WANPPPConnection:1",
    "upnp:rootdevice",
    nullptr,
};
// A router that speaks NAT-PMP answers within milliseconds; one that does not
// is given up after a second (libnatpmp repeats the request meanwhile).
constexpr int kNatPmpMs = 1000;
// Removing a mapping on the way out waits no longer than this.
constexpr int kNatPmpRemoveMs = 500;
// The wait gave up (its time ran out, or it was stopped).
constexpr int kNoAnswer = -1000;

std::string UpnpRefusalText(int code) {
    const char* name = strupnperror(code);
    char text[160];
    std::snprintf(text, sizeof text, "%s (%d)", name ? name : "unknown error", code);
    return text;
}

// Waits for the answer to the NAT-PMP request just sent: 0 with *answer, a
// libnatpmp error, or kNoAnswer.
int NatPmpAnswer(natpmp_t* n, natpmpresp_t* answer, int ms, const std::function<bool()>& stop) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const int r = readnatpmpresponseorretry(n, answer);
        if (r != NATPMP_TRYAGAIN) return r;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0 || (stop && stop())) return kNoAnswer;
        pollfd entry{n->s, POLLIN, 0};
        poll(&entry, 1, static_cast<int>(std::min<long long>(left.count(), 50)));
    }
}

std::string NatPmpErrorText(int r) {
    if (r == kNoAnswer) return "no answer";
    const char* text = strnatpmperr(r);
    return text ? text : "unknown error";
}

// Asks for a mapping of `port` (external `wanted`, 0: any) for `lease` seconds.
int NatPmpMap(natpmp_t* n, uint16_t port, uint16_t wanted, uint32_t lease, natpmpresp_t* answer,
              int ms, const std::function<bool()>& stop) {
    if (sendnewportmappingrequest(n, NATPMP_PROTOCOL_UDP, port, wanted, lease) < 0) {
        return NATPMP_ERR_SENDERR;
    }
    return NatPmpAnswer(n, answer, ms, stop);
}

bool UpnpAdd(const PortMapping& m, uint32_t leaseSeconds, int* result) {
    const std::string portText = std::to_string(m.port);
    const std::string lease = std::to_string(leaseSeconds);
    *result = UPNP_AddPortMapping(m.controlUrl.c_str(), m.serviceType.c_str(), portText.c_str(),
                                  portText.c_str(), m.lanAddress.c_str(), "Kaziro", "UDP", nullptr,
                                  lease.c_str());
    return *result == UPNPCOMMAND_SUCCESS;
}

}  // namespace

const char* MappingWayName(MappingWay way) {
    switch (way) {
        case MappingWay::NatPmp: return "NAT-PMP";
        case MappingWay::Upnp: return "UPnP";
        case MappingWay::None: break;
    }
    return "";
}

bool MapWithNatPmp(uint16_t port, uint32_t leaseSeconds, PortMapping* mapping, std::string* why,
                   const std::function<bool()>& stop) {
    *mapping = PortMapping{};
    natpmp_t n;
    if (initnatpmp(&n, 0, 0) < 0) {
        *why = "no router to ask by NAT-PMP (no default gateway)";
        return false;
    }
    natpmpresp_t answer{};
    int r = sendpublicaddressrequest(&n) < 0 ? NATPMP_ERR_SENDERR
                                             : NatPmpAnswer(&n, &answer, kNatPmpMs, stop);
    char external[INET_ADDRSTRLEN] = "";
    if (r == 0) inet_ntop(AF_INET, &answer.pnu.publicaddress.addr, external, sizeof external);
    // A router that answered the address question is asked for the port.
    if (r == 0) r = NatPmpMap(&n, port, port, leaseSeconds, &answer, kNatPmpMs, stop);
    const uint32_t gateway = n.gateway;
    closenatpmp(&n);
    if (r != 0) {
        *why = "no router answered NAT-PMP (" + NatPmpErrorText(r) + ")";
        return false;
    }
    mapping->mapped = true;
    mapping->way = MappingWay::NatPmp;
    mapping->port = port;
    mapping->externalPort = answer.pnu.newportmapping.mappedpublicport;
    mapping->leaseSeconds = answer.pnu.newportmapping.lifetime;
    mapping->externalAddress = external;
    mapping->gateway = gateway;
    return true;
}

bool MapWithUpnp(uint16_t port, uint32_t leaseSeconds, PortMapping* mapping, std::string* why) {
    *mapping = PortMapping{};
    int error = 0;
    UPNPDev* devices = upnpDiscoverDevices(kSearchTypes, kSearchMs, nullptr, nullptr,
                                           UPNP_LOCAL_PORT_ANY, 0, 2, &error, 1);
    if (!devices) {
        *why = error == UPNPDISCOVER_SOCKET_ERROR
                   ? "the UPnP search could not be sent: no network to search"
                   : "no router answered the UPnP search";
        return false;
    }
    UPNPUrls urls{};
    IGDdatas data{};
    char lanAddress[64] = "";
#if MINIUPNPC_API_VERSION >= 18
    char wanAddress[64] = "";
    const int found = UPNP_GetValidIGD(devices, &urls, &data, lanAddress, sizeof lanAddress,
                                       wanAddress, sizeof wanAddress);
#else
    const int found = UPNP_GetValidIGD(devices, &urls, &data, lanAddress, sizeof lanAddress);
#endif
    freeUPNPDevlist(devices);
    if (found == 0) {
        *why = "no router answered the UPnP search";
        return false;
    }
    if (found != 1 && found != 2) {  // 2: says it is not connected; try all the same
        FreeUPNPUrls(&urls);
        *why = "the UPnP device that answered is not an internet router";
        return false;
    }
    PortMapping m;
    m.way = MappingWay::Upnp;
    m.port = m.externalPort = port;
    m.lanAddress = lanAddress;
    m.controlUrl = urls.controlURL;
    m.serviceType = data.first.servicetype;
    FreeUPNPUrls(&urls);
    int result = 0;
    m.leaseSeconds = leaseSeconds;
    if (!UpnpAdd(m, leaseSeconds, &result) && result == 725) {  // OnlyPermanentLeasesSupported
        m.leaseSeconds = 0;
        UpnpAdd(m, 0, &result);
    }
    if (result != UPNPCOMMAND_SUCCESS) {
        *why = "the router refused to open UDP port " + std::to_string(port) + ": " +
               UpnpRefusalText(result);
        return false;
    }
    char external[64] = "";
    if (UPNP_GetExternalIPAddress(m.controlUrl.c_str(), m.serviceType.c_str(), external) !=
        UPNPCOMMAND_SUCCESS) {
        external[0] = '\0';
    }
    m.externalAddress = external;
    m.mapped = true;
    *mapping = m;
    return true;
}

bool MapUdpPort(uint16_t port, uint32_t leaseSeconds, PortMapping* mapping, std::string* why,
                const std::function<bool()>& stop) {
    std::string natPmp;
    if (MapWithNatPmp(port, leaseSeconds, mapping, &natPmp, stop)) return true;
    if (stop && stop()) {
        *why = "stopped";
        return false;
    }
    if (MapWithUpnp(port, leaseSeconds, mapping, why)) return true;
    if (*why == "no router answered the UPnP search") *why = "no router answered NAT-PMP or UPnP";
    return false;
}

bool RenewMapping(PortMapping& mapping, std::string* why) {
    if (!mapping.mapped) {
        *why = "nothing is mapped";
        return false;
    }
    if (mapping.way == MappingWay::Upnp) {
        if (mapping.leaseSeconds == 0) return true;  // until removed: nothing to renew
        int result = 0;
        if (!UpnpAdd(mapping, mapping.leaseSeconds, &result)) {
            *why = "the router did not renew UDP port " + std::to_string(mapping.port) + ": " +
                   UpnpRefusalText(result);
            return false;
        }
        return true;
    }
    natpmp_t n;
    if (initnatpmp(&n, 1, mapping.gateway) < 0) {
        *why = "cannot ask the router by NAT-PMP";
        return false;
    }
    natpmpresp_t answer{};
    // The same external port again: the partner was told it.
    const int r = NatPmpMap(&n, mapping.port, mapping.externalPort, mapping.leaseSeconds, &answer,
                            kNatPmpMs, {});
    closenatpmp(&n);
    if (r != 0) {
        *why = "the router did not renew UDP port " + std::to_string(mapping.port) + " (" +
               NatPmpErrorText(r) + ")";
        return false;
    }
    mapping.externalPort = answer.pnu.newportmapping.mappedpublicport;
    mapping.leaseSeconds = answer.pnu.newportmapping.lifetime;
    return true;
}

void UnmapPort(PortMapping& mapping) {
    if (!mapping.mapped) return;
    mapping.mapped = false;
    if (mapping.way == MappingWay::Upnp) {
        const std::string portText = std::to_string(mapping.externalPort);
        UPNP_DeletePortMapping(mapping.controlUrl.c_str(), mapping.serviceType.c_str(),
                               portText.c_str(), "UDP", nullptr);
        return;
    }
    natpmp_t n;
    if (initnatpmp(&n, 1, mapping.gateway) < 0) return;
    natpmpresp_t answer{};
    // A lifetime of 0 removes the mapping of this machine's port.
    NatPmpMap(&n, mapping.port, 0, 0, &answer, kNatPmpRemoveMs, {});
    closenatpmp(&n);
}
