// The test suite's own lossy line: two network namespaces, A (10.78.0.1/24)
// and B (10.78.0.2/24), each holding one TUN device. A thread of the test
// process reads every IP packet one side sends and writes it into the other
// after a one-way delay of delayMs plus or minus a uniform jitterMs, dropping
// each packet with probability `loss`. Both ways are treated alike, and a
// packet never overtakes the one before it. Nothing leaves the namespaces.
//
//     LossyLink link({20, 5, 0.1});
//     pid_t server = link.Start(LossyLink::kB, {"some-server", ...});
//     int s = InNamespace(link.Name(LossyLink::kA), [] { return socket(...); });
#pragma once

#include <linux/if.h>
#include <linux/if_tun.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <memory>
#include <random>
#include <thread>

#include "support/netns.h"

class LossyLink {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kA = 0, kB = 1;
    static constexpr const char* kAddress[2] = {"10.78.0.1", "10.78.0.2"};

    struct Line {
        int delayMs = 0;    // one way
        int jitterMs = 0;   // each packet: the delay plus or minus up to this
        double loss = 0.0;  // probability that a packet is dropped
        uint32_t seed = 1;
    };
    // Packets that entered one way (kA: from A to B), how many of them were
    // dropped, and their bytes (IP headers included).
    struct Counts {
        std::atomic<uint64_t> packets{0}, dropped{0}, bytes{0};
    };

    // Makes both sides and starts forwarding; Failure() says what went wrong.
    explicit LossyLink(Line line) : line_(line), random_(line.seed) {
        if (SetUp()) forwarder_ = std::thread([this] { Forward(); });
    }

    ~LossyLink() {
        if (forwarder_.joinable()) {
            (void)!write(wake_[1], "x", 1);
            forwarder_.join();
        }
        for (int fd : wake_)
            if (fd >= 0) close(fd);
        for (pid_t pid : started_) StopProcess(pid);
        for (int side : {kA, kB})
            if (tun_[side] >= 0) close(tun_[side]);
        // The namespaces go last: their destructors kill what is left in them.
    }
    LossyLink(const LossyLink&) = delete;
    LossyLink& operator=(const LossyLink&) = delete;

    // Whether the line is up; Failure() tells why not.
    bool Ready() const { return failure_.empty() && forwarder_.joinable(); }
    // Why the line could not be set up ("" when it is up).
    const std::string& Failure() const { return failure_; }
    // The namespace of side kA or kB.
    std::string Name(int side) const { return ns_[side]->Name(); }
    // Starts argv in the side's namespace; it is stopped when the link goes.
    pid_t Start(int side, const std::vector<std::string>& argv, const std::string& logPath = "") {
        const pid_t pid = StartInNamespace(Name(side), argv, logPath);
        if (pid > 0) started_.push_back(pid);
        return pid;
    }

    // Starts counting again from zero (say, once a warm-up is over).
    void ResetCounts() {
        for (Counts& c : counts) c.packets = c.dropped = c.bytes = 0;
    }

    Counts counts[2];  // [kA]: from A to B, [kB]: from B to A

private:
    struct Held {
        Clock::time_point due;
        std::vector<uint8_t> packet;
    };

    static int OpenTun(const std::string& name) {
        const int fd = open("/dev/net/tun", O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return -1;
        ifreq request{};
        request.ifr_flags = IFF_TUN | IFF_NO_PI;
        std::snprintf(request.ifr_name, IFNAMSIZ, "%s", name.c_str());
        if (ioctl(fd, TUNSETIFF, &request) != 0) {
            const int saved = errno;
            close(fd);
            errno = saved;
            return -1;
        }
        return fd;
    }

    bool SetUp() {
        const char* sides[2] = {"a", "b"};
        for (int side : {kA, kB}) {
            ns_[side] = std::make_unique<Namespace>(UniqueName("kzlink", sides[side]));
            device_[side] = UniqueName("kzl", sides[side]);
            if (!ns_[side]->Ok()) return Fail("cannot make namespace " + Name(side));
            // No IPv6 on the line: only the test's own packets cross it.
            InNamespace(Name(side),
                        [] { return Sh("echo 1 > /proc/sys/net/ipv6/conf/default/disable_ipv6"); });
            tun_[side] = OpenTun(device_[side]);
            if (tun_[side] < 0)
                return Fail("cannot open a TUN device: " + std::string(strerror(errno)));
            const std::string in = "ip -n " + Name(side) + " ";
            if (!Sh("ip link set " + device_[side] + " netns " + Name(side)) ||
                !Sh(in + "addr add " + kAddress[side] + "/24 dev " + device_[side]) ||
                !Sh(in + "link set " + device_[side] + " up")) {
                return Fail("cannot set up " + device_[side] + " in " + Name(side));
            }
        }
        return pipe2(wake_, O_CLOEXEC) == 0 || Fail("cannot make a pipe");
    }

    bool Fail(const std::string& why) {
        failure_ = why;
        return false;
    }

    // Reads what one side sent, and decides its fate.
    void Take(int from) {
        uint8_t buffer[65536];
        for (;;) {
            const ssize_t n = read(tun_[from], buffer, sizeof buffer);
            if (n <= 0) return;
            ++counts[from].packets;
            counts[from].bytes += static_cast<uint64_t>(n);
            if (std::uniform_real_distribution<double>(0.0, 1.0)(random_) < line_.loss) {
                ++counts[from].dropped;
                continue;
            }
            const double ms = line_.delayMs + std::uniform_real_distribution<double>(
                                                  -line_.jitterMs, line_.jitterMs)(random_);
            auto due = Clock::now() +
                       std::chrono::microseconds(static_cast<int64_t>(std::max(0.0, ms) * 1000));
            // Order kept: never before the packet ahead of it.
            if (!held_[from].empty()) due = std::max(due, held_[from].back().due);
            held_[from].push_back({due, std::vector<uint8_t>(buffer, buffer + n)});
        }
    }

    // Writes into the other side what is due; returns ms until the next packet is.
    int Deliver(int from) {
        const auto now = Clock::now();
        while (!held_[from].empty() && held_[from].front().due <= now) {
            const std::vector<uint8_t>& p = held_[from].front().packet;
            (void)!write(tun_[1 - from], p.data(), p.size());
            held_[from].pop_front();
        }
        if (held_[from].empty()) return 1000;
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(held_[from].front().due - now);
        return static_cast<int>((left.count() + 999) / 1000);
    }

    void Forward() {
        for (;;) {
            const int waitMs = std::min(Deliver(kA), Deliver(kB));
            pollfd fds[3] = {{tun_[kA], POLLIN, 0}, {tun_[kB], POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (poll(fds, 3, waitMs) < 0 && errno != EINTR) return;
            if (fds[2].revents) return;
            if (fds[0].revents & POLLIN) Take(kA);
            if (fds[1].revents & POLLIN) Take(kB);
        }
    }

    Line line_;
    std::mt19937 random_;
    std::unique_ptr<Namespace> ns_[2];
    std::string device_[2];
    int tun_[2] = {-1, -1};
    int wake_[2] = {-1, -1};
    std::vector<pid_t> started_;
    std::deque<Held> held_[2];
    std::thread forwarder_;
    std::string failure_;
};
