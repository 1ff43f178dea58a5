// The hosting machine's port on its router, kept for as long as the game
// runs: asked for in a thread of its own (NAT-PMP, then UPnP), for a lease of
// an hour, renewed at half the lease, removed when the game ends. A host that
// crashed leaves the port open no longer than the lease.
//
// The search cannot hold the game up: Stop() while the router is still being
// looked for returns at once, and the search ends in the background (what it
// mapped by then it removes itself, or the lease runs out). What to tell the
// partner can be read from any thread while all this goes on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

// Where the router's port stands.
struct RouterPort {
    enum class State {
        Off,        // not asked (--no-upnp), or given back
        Searching,  // looking for a router
        Open,       // the router forwards `port` at `address` to this machine
        NotOpen,    // no router, or it refused: `why`
    };
    State state = State::Off;
    std::string address;        // the public address ("" when the router would not say)
    uint16_t port = 0;          // the public port
    std::string way;            // "NAT-PMP" or "UPnP"
    std::string why;            // NotOpen: one line
    uint32_t leaseSeconds = 0;  // as granted; 0: until removed
    uint32_t renewals = 0;      // leases renewed so far
};

class cRouterLease {
public:
    // The lease asked for.
    static constexpr uint32_t kLeaseSeconds = 3600;

    cRouterLease();
    ~cRouterLease();
    cRouterLease(const cRouterLease&) = delete;
    cRouterLease& operator=(const cRouterLease&) = delete;

    // Starts asking the router to forward UDP `port` (once; later calls do
    // nothing). With `say`, the outcome is told on standard error.
    void Start(uint16_t port, uint32_t leaseSeconds = kLeaseSeconds, bool say = true);
    // What to tell the partner, as it stands now; safe from any thread.
    RouterPort Current() const;
    // Gives the port back: at once while the router is still being looked
    // for, else after removing the mapping (a moment; a second at most).
    void Stop();

private:
    struct Shared;
    static void Keep(const std::shared_ptr<Shared>& shared, uint16_t port, uint32_t leaseSeconds,
                     bool say);
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};
