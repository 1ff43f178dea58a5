// Finding hosting games on the local network.
//
// A joining machine broadcasts a probe (net/DiscoveryWire.h) to the game
// port now and then; every host that hears it answers from that port with
// its version and name, so the answer's source is the address to join. A
// host answers each source address a few times a second and all of them a
// few dozen times a second (net/AnswerLimit.h): a stranger probing at any
// rate cannot starve a real joiner, nor make the host flood anyone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "net/AnswerLimit.h"
#include "net/DiscoveryWire.h"
#include "platform/datagram.h"

// Answers to probes: a second's worth from one source address, and in all.
constexpr uint32_t kProbeAnswersPerSecond = 4;
constexpr uint32_t kProbeAnswersInAll = 32;
// How often a joining machine sends its probe while it searches.
constexpr uint32_t kProbeIntervalMs = 250;

// The host's side: answers the probes that arrive on its game port.
class DiscoveryResponder {
public:
    // `version` and `name`: what the answers say of this host.
    DiscoveryResponder(std::string version, std::string name)
        : version_(std::move(version)), name_(std::move(name)),
          limit_(kProbeAnswersPerSecond, kProbeAnswersInAll) {}
    // Answers a probe received at nowMs within the limits; false when the datagram is no probe.
    bool Handle(const DatagramSocket& socket, const uint8_t* data, size_t size,
                const NetAddress& from, uint32_t nowMs);
    // How many probes were answered so far.
    uint32_t Answered() const { return answered_; }

private:
    std::string version_;
    std::string name_;
    cAnswerLimit limit_;
    uint32_t answered_ = 0;
};

// A host that answered.
struct FoundHost {
    std::string name;
    NetAddress address;
    std::string version;
    uint32_t heardMs = 0;  // when it last answered
};

// The joining side, for a caller that polls (the front door's list, which
// updates while it is shown) or waits (FindHostsOnLan).
class cHostFinder {
public:
    // Hosts listed at once at most; one not heard of for kForgetMs leaves the list.
    static constexpr size_t kMostHosts = 32;
    static constexpr uint32_t kForgetMs = 3000;

    cHostFinder() = default;
    ~cHostFinder() { Stop(); }
    cHostFinder(const cHostFinder&) = delete;
    cHostFinder& operator=(const cHostFinder&) = delete;

    // Opens the search's socket for games on UDP `port`; false with a one-line *why.
    bool Start(uint16_t port, std::string* why);
    // Sends a probe when one is due and takes the answers that came, without
    // waiting. False when the search's socket failed.
    bool Poll(uint32_t nowMs);
    // Waits at most ms for an answer (for a caller with nothing else to do).
    void Wait(int ms) const;
    // Every host that answered, in the order they first did.
    const std::vector<FoundHost>& Hosts() const { return hosts_; }
    // Probes sent so far (0: this machine has no network to broadcast on).
    int ProbesSent() const { return probesSent_; }
    void Stop();

private:
    void Take(const HostAnswer& answer, const NetAddress& from, uint32_t nowMs);

    DatagramSocket socket_;
    uint16_t port_ = 0;
    uint64_t nonce_ = 0;
    uint8_t probe_[kProbeSize] = {};
    bool probed_ = false;
    uint32_t lastProbe_ = 0;
    int probesSent_ = 0;
    std::vector<FoundHost> hosts_;
};

// Searches for at least `listenMs` and until a host answered or `giveUpMs`
// passed; every host heard goes to *hosts, in the order they first answered.
// False with a one-line *why when none answered or `cancelled` said so.
bool FindHostsOnLan(uint16_t port, uint32_t listenMs, uint32_t giveUpMs,
                    const std::function<bool()>& cancelled, std::vector<FoundHost>* hosts,
                    std::string* why);
