#include "platform/port_mapping.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>

#include <cstdio>
#include <string>

namespace {

// How long the search waits for routers to answer.
constexpr int kSearchMs = 2000;
// What the search asks for, all at once: one wait for every kind of answer.
const char* const kSearchTypes[] = {
    "urn:schemas-upnp-org:device:InternetGatewayDevice:1",
    "urn:schemas-upnp-org:service:WANIPConnection:1",
    "urn:schemas-upnp-org:service:WANPPPConnection:1",
    "upnp:rootdevice",
    nullptr,
};
// The mapping lasts a day unless removed: long enough for any game, and a
// game that ended without removing it does not leave the port open for good.
constexpr const char* kLeaseSeconds = "86400";

std::string RefusalText(int code) {
    const char* name = strupnperror(code);
    char text[160];
    std::snprintf(text, sizeof text, "%s (%d)", name ? name : "unknown error", code);
    return text;
}

}  // namespace

bool MapUdpPort(uint16_t port, PortMapping* mapping, std::string* why) {
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
    const std::string service = data.first.servicetype;
    const std::string portText = std::to_string(port);
    int result =
        UPNP_AddPortMapping(urls.controlURL, service.c_str(), portText.c_str(), portText.c_str(),
                            lanAddress, "Kaziro", "UDP", nullptr, kLeaseSeconds);
    if (result == 725) {  // OnlyPermanentLeasesSupported
        result = UPNP_AddPortMapping(urls.controlURL, service.c_str(), portText.c_str(),
                                     portText.c_str(), lanAddress, "Kaziro", "UDP", nullptr, "0");
    }
    if (result != UPNPCOMMAND_SUCCESS) {
        *why = "the router refused to open UDP port " + portText + ": " + RefusalText(result);
        FreeUPNPUrls(&urls);
        return false;
    }
    char external[64] = "";
    if (UPNP_GetExternalIPAddress(urls.controlURL, service.c_str(), external) !=
        UPNPCOMMAND_SUCCESS) {
        external[0] = '\0';
    }
    mapping->mapped = true;
    mapping->port = port;
    mapping->externalAddress = external;
    mapping->lanAddress = lanAddress;
    mapping->controlUrl = urls.controlURL;
    mapping->serviceType = service;
    FreeUPNPUrls(&urls);
    return true;
}

void UnmapPort(PortMapping& mapping) {
    if (!mapping.mapped) return;
    const std::string portText = std::to_string(mapping.port);
    UPNP_DeletePortMapping(mapping.controlUrl.c_str(), mapping.serviceType.c_str(),
                           portText.c_str(), "UDP", nullptr);
    mapping.mapped = false;
}
