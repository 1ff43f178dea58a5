#include "platform/datagram.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <utility>

static_assert(sizeof(NetAddress::bytes) >= sizeof(sockaddr_storage),
              "NetAddress must hold any socket address");

namespace {

// The address family of a held address (AF_UNSPEC when there is none).
int Family(const NetAddress& a) {
    if (!a.Valid()) return AF_UNSPEC;
    sa_family_t family;
    std::memcpy(&family, a.bytes + offsetof(sockaddr, sa_family), sizeof family);
    return family;
}

// Stores a system address; an IPv4-mapped IPv6 address becomes plain IPv4.
NetAddress FromSockaddr(const sockaddr* address, socklen_t length) {
    NetAddress result;
    if (length == 0 || length > sizeof result.bytes) return result;
    if (address->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
        sockaddr_in6 v6;
        std::memcpy(&v6, address, sizeof v6);
        if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
            sockaddr_in v4{};
            v4.sin_family = AF_INET;
            v4.sin_port = v6.sin6_port;
            std::memcpy(&v4.sin_addr, v6.sin6_addr.s6_addr + 12, 4);
            std::memcpy(result.bytes, &v4, sizeof v4);
            result.length = sizeof v4;
            return result;
        }
        v6.sin6_flowinfo = 0;  // not part of the peer's identity
        std::memcpy(result.bytes, &v6, sizeof v6);
        result.length = sizeof v6;
        return result;
    }
    if (address->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
        sockaddr_in v4;
        std::memcpy(&v4, address, sizeof v4);
        std::memset(v4.sin_zero, 0, sizeof v4.sin_zero);
        std::memcpy(result.bytes, &v4, sizeof v4);
        result.length = sizeof v4;
    }
    return result;
}

// The form a socket of the given kind sends to: IPv4 goes out of a
// dual-stack socket as an IPv4-mapped IPv6 address.
bool ToSockaddr(const NetAddress& a, bool dualStack, sockaddr_storage* out, socklen_t* length) {
    *out = sockaddr_storage{};
    const int family = Family(a);
    if (family == AF_INET) {
        sockaddr_in v4;
        std::memcpy(&v4, a.bytes, sizeof v4);
        if (!dualStack) {
            std::memcpy(out, &v4, sizeof v4);
            *length = sizeof v4;
            return true;
        }
        sockaddr_in6 v6{};
        v6.sin6_family = AF_INET6;
        v6.sin6_port = v4.sin_port;
        v6.sin6_addr.s6_addr[10] = 0xFF;
        v6.sin6_addr.s6_addr[11] = 0xFF;
        std::memcpy(v6.sin6_addr.s6_addr + 12, &v4.sin_addr, 4);
        std::memcpy(out, &v6, sizeof v6);
        *length = sizeof v6;
        return true;
    }
    if (family == AF_INET6 && dualStack) {
        std::memcpy(out, a.bytes, sizeof(sockaddr_in6));
        *length = sizeof(sockaddr_in6);
        return true;
    }
    errno = EAFNOSUPPORT;
    return false;
}

// Binds a new socket of `family` to `port`; -1 (errno kept) on failure.
int BoundSocket(int family, uint16_t port) {
    const int s = socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    if (s < 0) return -1;
    // No SO_REUSEADDR: a second game on a port already in use is told so,
    // rather than sharing the port's datagrams with the first.
    const int off = 0;
    int bound;
    if (family == AF_INET6) {
        setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
        sockaddr_in6 any{};
        any.sin6_family = AF_INET6;
        any.sin6_addr = in6addr_any;
        any.sin6_port = htons(port);
        bound = bind(s, reinterpret_cast<sockaddr*>(&any), sizeof any);
    } else {
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_addr.s_addr = htonl(INADDR_ANY);
        any.sin_port = htons(port);
        bound = bind(s, reinterpret_cast<sockaddr*>(&any), sizeof any);
    }
    if (bound != 0) {
        const int saved = errno;
        close(s);
        errno = saved;
        return -1;
    }
    return s;
}

}  // namespace

uint16_t NetAddress::Port() const {
    if (!Valid()) return 0;
    if (Family(*this) == AF_INET) {
        sockaddr_in v4;
        std::memcpy(&v4, bytes, sizeof v4);
        return ntohs(v4.sin_port);
    }
    sockaddr_in6 v6;
    std::memcpy(&v6, bytes, sizeof v6);
    return ntohs(v6.sin6_port);
}

NetAddress NetAddress::Host() const {
    NetAddress host = *this;
    const int family = Family(host);
    if (family == AF_INET) {
        std::memset(host.bytes + offsetof(sockaddr_in, sin_port), 0, sizeof(in_port_t));
    } else if (family == AF_INET6) {
        std::memset(host.bytes + offsetof(sockaddr_in6, sin6_port), 0, sizeof(in_port_t));
    }
    return host;
}

std::string NetAddress::Text() const {
    if (!Valid()) return "(none)";
    char host[INET6_ADDRSTRLEN] = "";
    char text[INET6_ADDRSTRLEN + IF_NAMESIZE + 16];
    if (Family(*this) == AF_INET) {
        sockaddr_in v4;
        std::memcpy(&v4, bytes, sizeof v4);
        inet_ntop(AF_INET, &v4.sin_addr, host, sizeof host);
        std::snprintf(text, sizeof text, "%s:%u", host, ntohs(v4.sin_port));
        return text;
    }
    sockaddr_in6 v6;
    std::memcpy(&v6, bytes, sizeof v6);
    inet_ntop(AF_INET6, &v6.sin6_addr, host, sizeof host);
    char scope[IF_NAMESIZE + 1] = "";
    char name[IF_NAMESIZE] = "";
    if (v6.sin6_scope_id != 0) {
        if (if_indextoname(v6.sin6_scope_id, name)) {
            std::snprintf(scope, sizeof scope, "%%%s", name);
        } else {
            std::snprintf(scope, sizeof scope, "%%%u", static_cast<unsigned>(v6.sin6_scope_id));
        }
    }
    std::snprintf(text, sizeof text, "[%s%s]:%u", host, scope, ntohs(v6.sin6_port));
    return text;
}

bool NetAddress::operator==(const NetAddress& other) const {
    if (length != other.length) return false;
    if (!Valid()) return true;
    const int family = Family(*this);
    if (family != Family(other)) return false;
    if (family == AF_INET) {
        sockaddr_in a, b;
        std::memcpy(&a, bytes, sizeof a);
        std::memcpy(&b, other.bytes, sizeof b);
        return a.sin_port == b.sin_port && a.sin_addr.s_addr == b.sin_addr.s_addr;
    }
    sockaddr_in6 a, b;
    std::memcpy(&a, bytes, sizeof a);
    std::memcpy(&b, other.bytes, sizeof b);
    return a.sin6_port == b.sin6_port && a.sin6_scope_id == b.sin6_scope_id &&
           std::memcmp(&a.sin6_addr, &b.sin6_addr, sizeof a.sin6_addr) == 0;
}

DatagramSocket OpenDatagramSocket(uint16_t port, std::string* error) {
    DatagramSocket result;
    int s = BoundSocket(AF_INET6, port);
    result.dualStack = s >= 0;
    // No IPv6 on this machine: IPv4 only.
    if (s < 0 && (errno == EAFNOSUPPORT || errno == EADDRNOTAVAIL || errno == EPROTONOSUPPORT)) {
        s = BoundSocket(AF_INET, port);
    }
    if (s < 0) {
        *error = "cannot open UDP port " + std::to_string(port) + ": " + std::strerror(errno);
        return result;
    }
    // The system doubles what it is asked for (its own bookkeeping), and caps
    // it at net.core.rmem_max unless the process may go past that.
    const int wanted = kReceiveBufferBytes / 2;
    int size = 0;
    socklen_t sizeLength = sizeof size;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, &wanted, sizeof wanted);
    if (getsockopt(s, SOL_SOCKET, SO_RCVBUF, &size, &sizeLength) == 0 && size < kReceiveBufferBytes) {
        setsockopt(s, SOL_SOCKET, SO_RCVBUFFORCE, &wanted, sizeof wanted);
        getsockopt(s, SOL_SOCKET, SO_RCVBUF, &size, &sizeLength);
    }
    result.receiveBuffer = size;
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    getsockname(s, reinterpret_cast<sockaddr*>(&local), &length);
    result.handle = s;
    result.port = FromSockaddr(reinterpret_cast<sockaddr*>(&local), length).Port();
    return result;
}

void CloseDatagramSocket(DatagramSocket* socket) {
    if (socket->handle != kNoSocket) close(socket->handle);
    socket->handle = kNoSocket;
}

bool SendDatagram(const DatagramSocket& socket, const NetAddress& to, const void* data,
                  size_t size) {
    sockaddr_storage target;
    socklen_t length = 0;
    if (!ToSockaddr(to, socket.dualStack, &target, &length)) return false;
    for (;;) {
        const ssize_t n = sendto(socket.handle, data, size, MSG_NOSIGNAL,
                                 reinterpret_cast<sockaddr*>(&target), length);
        if (n < 0 && errno == EINTR) continue;
        return n == static_cast<ssize_t>(size);
    }
}

long ReceiveDatagram(DatagramSocket* socket, void* buffer, size_t capacity, NetAddress* from) {
    // Rejected datagrams are passed over here, a bounded number of them: a
    // flood of oversized junk cannot keep the caller in this call. Only
    // `capacity` bytes of any datagram are copied, however large it is.
    for (int passed = 0; passed < 64; ++passed) {
        sockaddr_storage source{};
        socklen_t length = sizeof source;
        // MSG_TRUNC: the result is the datagram's real size, even when only
        // `capacity` bytes of it were copied.
        const ssize_t n = recvfrom(socket->handle, buffer, capacity, MSG_TRUNC,
                                   reinterpret_cast<sockaddr*>(&source), &length);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
            // An ICMP error from an earlier send: nothing to read, the socket still works.
            if (errno == ECONNREFUSED || errno == EHOSTUNREACH || errno == ENETUNREACH) continue;
            return -1;
        }
        ++socket->received;
        if (n == 0 || static_cast<size_t>(n) > capacity) {
            ++socket->rejected;
            continue;
        }
        if (from) *from = FromSockaddr(reinterpret_cast<sockaddr*>(&source), length);
        return static_cast<long>(n);
    }
    return kDatagramsPassedOver;
}

int WaitDatagram(const DatagramSocket& socket, int timeoutMs) {
    if (!socket.Open()) return -1;
    pollfd entry{socket.handle, POLLIN, 0};
    const int ready = poll(&entry, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (ready > 0) return (entry.revents & POLLNVAL) ? -1 : 1;
    if (ready == 0 || errno == EINTR) return 0;
    return -1;
}

int SetDatagramBuffers(const DatagramSocket& socket, int bytes) {
    for (const auto& [forced, plain] : {std::pair{SO_RCVBUFFORCE, SO_RCVBUF}, std::pair{SO_SNDBUFFORCE, SO_SNDBUF}}) {
        if (setsockopt(socket.handle, SOL_SOCKET, forced, &bytes, sizeof bytes) != 0) {
            setsockopt(socket.handle, SOL_SOCKET, plain, &bytes, sizeof bytes);
        }
    }
    int granted = 0;
    socklen_t length = sizeof granted;
    if (getsockopt(socket.handle, SOL_SOCKET, SO_RCVBUF, &granted, &length) != 0) return 0;
    return granted;
}

bool EnableBroadcast(const DatagramSocket& socket) {
    const int on = 1;
    return setsockopt(socket.handle, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
}

int BroadcastDatagram(const DatagramSocket& socket, uint16_t port, const void* data, size_t size) {
    auto sendTo = [&](in_addr target) {
        sockaddr_in v4{};
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        v4.sin_addr = target;
        const NetAddress to = FromSockaddr(reinterpret_cast<sockaddr*>(&v4), sizeof v4);
        return SendDatagram(socket, to, data, size) ? 1 : 0;
    };
    int sent = 0;
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) == 0) {
        for (const ifaddrs* i = interfaces; i; i = i->ifa_next) {
            if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
            if (!(i->ifa_flags & IFF_UP) || !(i->ifa_flags & IFF_BROADCAST) || !i->ifa_broadaddr) {
                continue;
            }
            sockaddr_in broadcast;
            std::memcpy(&broadcast, i->ifa_broadaddr, sizeof broadcast);
            sent += sendTo(broadcast.sin_addr);
        }
        freeifaddrs(interfaces);
    }
    in_addr everyone;
    everyone.s_addr = htonl(INADDR_BROADCAST);
    return sent + sendTo(everyone);
}

std::string MachineName() {
    char name[256] = "";
    if (gethostname(name, sizeof name - 1) != 0) return "";
    return name;
}

bool ResolveAddress(const std::string& host, uint16_t port, NetAddress* address,
                    std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int lookup = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (lookup != 0) {
        *error = "cannot find " + host + ": " + gai_strerror(lookup);
        return false;
    }
    *address = NetAddress{};
    // The first IPv4 answer where there is one: every socket, dual-stack or
    // not, can reach it.
    for (const addrinfo* a = found; a && !address->Valid(); a = a->ai_next) {
        if (a->ai_family == AF_INET) *address = FromSockaddr(a->ai_addr, a->ai_addrlen);
    }
    for (const addrinfo* a = found; a && !address->Valid(); a = a->ai_next) {
        *address = FromSockaddr(a->ai_addr, a->ai_addrlen);
    }
    freeaddrinfo(found);
    if (!address->Valid()) {
        *error = "cannot find " + host + ": no IPv4 or IPv6 address";
        return false;
    }
    return true;
}

bool Endpoint::operator==(const Endpoint& other) const {
    return family == other.family && port == other.port && std::memcmp(ip, other.ip, sizeof ip) == 0;
}

std::string Endpoint::Text() const { return AddressOf(*this).Text(); }

Endpoint EndpointOf(const NetAddress& address) {
    Endpoint e;
    const int family = Family(address);
    if (family == AF_INET) {
        sockaddr_in v4;
        std::memcpy(&v4, address.bytes, sizeof v4);
        e.family = 4;
        std::memcpy(e.ip, &v4.sin_addr, 4);
        e.port = ntohs(v4.sin_port);
    } else if (family == AF_INET6) {
        sockaddr_in6 v6;
        std::memcpy(&v6, address.bytes, sizeof v6);
        e.family = 6;
        std::memcpy(e.ip, &v6.sin6_addr, 16);
        e.port = ntohs(v6.sin6_port);
    }
    return e;
}

NetAddress AddressOf(const Endpoint& e) {
    if (e.family == 4) {
        sockaddr_in v4{};
        v4.sin_family = AF_INET;
        v4.sin_port = htons(e.port);
        std::memcpy(&v4.sin_addr, e.ip, 4);
        return FromSockaddr(reinterpret_cast<sockaddr*>(&v4), sizeof v4);
    }
    if (e.family == 6) {
        sockaddr_in6 v6{};
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(e.port);
        std::memcpy(&v6.sin6_addr, e.ip, 16);
        return FromSockaddr(reinterpret_cast<sockaddr*>(&v6), sizeof v6);
    }
    return NetAddress{};
}

std::vector<NetAddress> LocalAddresses(uint16_t port) {
    std::vector<NetAddress> v4s, v6s;
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0) return v4s;
    for (const ifaddrs* i = interfaces; i; i = i->ifa_next) {
        if (!i->ifa_addr || !(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK)) continue;
        if (i->ifa_addr->sa_family == AF_INET) {
            sockaddr_in v4;
            std::memcpy(&v4, i->ifa_addr, sizeof v4);
            v4.sin_port = htons(port);
            v4s.push_back(FromSockaddr(reinterpret_cast<sockaddr*>(&v4), sizeof v4));
        } else if (i->ifa_addr->sa_family == AF_INET6) {
            sockaddr_in6 v6;
            std::memcpy(&v6, i->ifa_addr, sizeof v6);
            if (IN6_IS_ADDR_LINKLOCAL(&v6.sin6_addr) || IN6_IS_ADDR_LOOPBACK(&v6.sin6_addr) ||
                IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
                continue;
            }
            v6.sin6_port = htons(port);
            v6.sin6_scope_id = 0;
            v6s.push_back(FromSockaddr(reinterpret_cast<sockaddr*>(&v6), sizeof v6));
        }
    }
    freeifaddrs(interfaces);
    v4s.insert(v4s.end(), v6s.begin(), v6s.end());
    return v4s;
}
