#include "net/RouterLease.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/port_mapping.h"
#include "platform/report.h"

namespace {

// Giving the port back on the way out waits no longer than this.
constexpr auto kRemoveWait = std::chrono::seconds(1);

}  // namespace

// What the lease's thread and the game share; the thread holds it too, so a
// search left to end in the background never touches a game that is gone.
struct cRouterLease::Shared {
    mutable std::mutex mutex;
    std::condition_variable wake;  // Stop() was asked
    std::condition_variable ended; // the thread is done
    RouterPort now;
    bool stop = false;
    bool done = false;
};

cRouterLease::cRouterLease() : shared_(std::make_shared<Shared>()) {}

cRouterLease::~cRouterLease() { Stop(); }

void cRouterLease::Start(uint16_t port, uint32_t leaseSeconds, bool say) {
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        if (thread_.joinable() || shared_->stop) return;
        shared_->now = RouterPort{};
        shared_->now.state = RouterPort::State::Searching;
    }
    std::shared_ptr<Shared> s = shared_;
    thread_ = std::thread([s, port, leaseSeconds, say] { Keep(s, port, leaseSeconds, say); });
}

RouterPort cRouterLease::Current() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->now;
}

void cRouterLease::Stop() {
    bool searching = false;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->stop = true;
        searching = shared_->now.state == RouterPort::State::Searching;
    }
    shared_->wake.notify_all();
    if (!thread_.joinable()) return;
    if (!searching) {
        // The mapping is removed first: a moment, unless the router stopped answering.
        std::unique_lock<std::mutex> lock(shared_->mutex);
        if (shared_->ended.wait_for(lock, kRemoveWait, [this] { return shared_->done; })) {
            lock.unlock();
            thread_.join();
            return;
        }
    }
    // The router search (a few seconds of waiting for answers) ends by itself.
    thread_.detach();
}

// The thread: the search, then a renewal at half of each lease, then the removal.
void cRouterLease::Keep(const std::shared_ptr<Shared>& s, uint16_t port, uint32_t lease, bool say) {
    using State = RouterPort::State;
    PortMapping mapping;
    std::string why;
    const bool mapped = MapUdpPort(port, lease, &mapping, &why, [&s] {
        std::lock_guard<std::mutex> lock(s->mutex);
        return s->stop;
    });
    std::unique_lock<std::mutex> lock(s->mutex);
    if (!s->stop) {
        if (mapped) {
            s->now.state = State::Open;
            s->now.address = mapping.externalAddress;
            s->now.port = mapping.externalPort;
            s->now.way = MappingWayName(mapping.way);
            s->now.leaseSeconds = mapping.leaseSeconds;
        } else {
            s->now.state = State::NotOpen;
            s->now.why = why;
        }
        if (say && mapped) {
            Report("network", "the router now forwards UDP port %u to this machine (%s, renewed "
                   "while the game runs): give your partner %s:%u", static_cast<unsigned>(port),
                   s->now.way.c_str(),
                   mapping.externalAddress.empty() ? "this router's public address"
                                                   : mapping.externalAddress.c_str(),
                   static_cast<unsigned>(mapping.externalPort));
        } else if (say) {
            Report("network", "%s; a partner outside this network needs UDP port %u forwarded "
                   "to this machine by hand", why.c_str(), static_cast<unsigned>(port));
        }
    }
    bool failedBefore = false;
    while (mapped && !s->stop) {
        // At half the lease; sooner again after a renewal that failed, while
        // the lease still runs. A lease until removal needs no renewal.
        const uint64_t granted = mapping.leaseSeconds;
        if (granted == 0) {
            s->wake.wait(lock, [&s] { return s->stop; });
        } else {
            const uint64_t ms = std::max<uint64_t>(granted * 1000 / (failedBefore ? 8 : 2), 500);
            s->wake.wait_for(lock, std::chrono::milliseconds(ms), [&s] { return s->stop; });
        }
        if (s->stop) break;
        lock.unlock();
        const bool renewed = RenewMapping(mapping, &why);
        lock.lock();
        if (renewed) {
            ++s->now.renewals;
            s->now.port = mapping.externalPort;
            s->now.leaseSeconds = mapping.leaseSeconds;
        } else if (say && !failedBefore && !s->stop) {
            Report("network", "%s; trying again", why.c_str());
        }
        failedBefore = !renewed;
    }
    lock.unlock();
    UnmapPort(mapping);
    lock.lock();
    s->now = RouterPort{};
    s->done = true;
    lock.unlock();
    s->ended.notify_all();
}
