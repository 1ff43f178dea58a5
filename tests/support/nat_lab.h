// Home routers for the network tests: an "internet" (one namespace, its
// bridge at kServer, where the meeting server runs) and homes, each a router
// namespace that translates addresses with nftables as home routers do, with
// one or more machine namespaces on its LAN. Every home uses the same LAN,
// 192.168.1.0/24 (the router 192.168.1.1, machine j at 192.168.1.(2 + j)),
// as real homes do; home i's router is 198.51.100.(10 + i) on the internet.
// The routers drop every unsolicited packet from the internet, answer nothing
// themselves, and do not loop a packet from their LAN to their own public
// address back in (no hairpin). IPv4 only. Nothing leaves the namespaces.
//
//     NatLab lab;
//     const int a = lab.AddHome(NatLab::Kind::PortRestricted);
//     const int b = lab.AddHome(NatLab::Kind::Symmetric, 2);   // two machines
//     ASSERT_TRUE(lab.Ready()) << lab.Failure();
//     lab.Start(lab.Internet(), {"./kaziro-meet"}, "/tmp/meet.log");
//     lab.Start(lab.Machine(a), {"./kaziro", ...}, "/tmp/host.log");
//     int s = InNamespace(lab.Machine(b, 1), [] { return socket(...); });
#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/netns.h"

class NatLab {
public:
    enum class Kind {
        // Endpoint-independent mapping and filtering: once a machine has sent
        // from a port, anyone outside reaches it there (machine 0 only).
        FullCone,
        // Endpoint-independent mapping (the source port is kept where it is
        // free, Linux's masquerade), filtering by the outside address and
        // port the machine sent to: the usual home router.
        PortRestricted,
        // A new random port for every destination, filtered as above.
        Symmetric,
    };
    static constexpr const char* kServer = "198.51.100.1";

    NatLab() {
        internet_ = std::make_unique<Namespace>(UniqueName("kzinet", ""));
        if (!internet_->Ok() || !Quiet(Internet()) ||
            !Sh("ip -n " + Internet() + " link add name br0 type bridge") ||
            !Sh("ip -n " + Internet() + " addr add " + kServer + "/24 dev br0") ||
            !Sh("ip -n " + Internet() + " link set br0 up")) {
            Fail("cannot make the internet namespace");
        }
    }
    ~NatLab() {
        for (pid_t pid : started_) StopProcess(pid);
        if (!rules_.empty()) std::remove(rules_.c_str());
    }
    NatLab(const NatLab&) = delete;
    NatLab& operator=(const NatLab&) = delete;

    bool Ready() const { return failure_.empty(); }
    const std::string& Failure() const { return failure_; }

    // A home of `machines` machines behind a router of `kind`; its number.
    int AddHome(Kind kind, int machines = 1) {
        const int home = static_cast<int>(routers_.size());
        const std::string h = std::to_string(home);
        routers_.push_back(std::make_unique<Namespace>(UniqueName("kzrouter", ("h" + h).c_str())));
        machines_.emplace_back();
        const std::string router = Router(home);
        bool ok = routers_.back()->Ok() && Quiet(router) &&
                  Veth(router, "wan", PublicAddress(home) + "/24", Internet(), "h" + h, "") &&
                  Sh("ip -n " + Internet() + " link set h" + h + " master br0") &&
                  Sh("ip -n " + router + " link add name lan type bridge") &&
                  Sh("ip -n " + router + " addr add 192.168.1.1/24 dev lan") &&
                  Sh("ip -n " + router + " link set lan up") &&
                  InNamespace(router, [] { return Sh("sysctl -qw net.ipv4.ip_forward=1"); });
        for (int m = 0; ok && m < machines; ++m) {
            const std::string port = "m" + std::to_string(m);
            machines_.back().push_back(
                std::make_unique<Namespace>(UniqueName("kzmachine", ("h" + h + port).c_str())));
            ok = machines_.back().back()->Ok() && Quiet(Machine(home, m)) &&
                 Veth(Machine(home, m), "eth0", LanAddress(m) + "/24", router, port, "") &&
                 Sh("ip -n " + router + " link set " + port + " master lan") &&
                 Sh("ip -n " + Machine(home, m) + " route add default via 192.168.1.1");
        }
        ok = ok && Rules(router, kind);
        if (!ok) Fail("cannot make home " + h + " (ip and nft in the tests' namespaces)");
        return home;
    }

    std::string Internet() const { return internet_->Name(); }
    std::string Router(int home) const { return routers_[home]->Name(); }
    std::string Machine(int home, int machine = 0) const { return machines_[home][machine]->Name(); }
    static std::string PublicAddress(int home) { return "198.51.100." + std::to_string(10 + home); }
    static std::string LanAddress(int machine) { return "192.168.1." + std::to_string(2 + machine); }

    // Starts argv in namespace `ns`; it is stopped when the lab goes.
    pid_t Start(const std::string& ns, const std::vector<std::string>& argv, const std::string& logPath = "") {
        const pid_t pid = StartInNamespace(ns, argv, logPath);
        if (pid > 0) started_.push_back(pid);
        return pid;
    }

private:
    // No IPv6 in the lab: only its own IPv4 packets.
    static bool Quiet(const std::string& ns) {
        return InNamespace(ns, [] {
            return Sh("sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1");
        });
    }

    bool Rules(const std::string& router, Kind kind) {
        const std::string inbound = kind == Kind::FullCone
                                        ? "iifname \"wan\" meta l4proto udp dnat to " + LanAddress(0)
                                        : "";
        const std::string text =
            "table ip nat {\n"
            "  chain prerouting {\n"
            "    type nat hook prerouting priority dstnat; policy accept;\n"
            "    " + inbound + "\n"
            "  }\n"
            "  chain postrouting {\n"
            "    type nat hook postrouting priority srcnat; policy accept;\n"
            "    oifname \"wan\" masquerade" + std::string(kind == Kind::Symmetric ? " fully-random" : "") + "\n"
            "  }\n"
            "}\n"
            "table inet filter {\n"
            "  chain input {\n"
            "    type filter hook input priority 0; policy drop;\n"
            "    ct state established,related accept\n"
            "    iifname != \"wan\" accept\n"
            "  }\n"
            "  chain forward {\n"
            "    type filter hook forward priority 0; policy drop;\n"
            "    ct state established,related accept\n"
            "    iifname != \"wan\" accept\n" +
            std::string(kind == Kind::FullCone ? "    ct status dnat accept\n" : "") +
            "  }\n"
            "}\n";
        rules_ = "/tmp/" + UniqueName("kznat", ".nft");
        std::ofstream(rules_) << text;
        return Sh("ip netns exec " + router + " nft -f " + rules_);
    }

    void Fail(const std::string& why) {
        if (failure_.empty()) failure_ = why;
    }

    std::unique_ptr<Namespace> internet_;
    std::vector<std::unique_ptr<Namespace>> routers_;
    std::vector<std::vector<std::unique_ptr<Namespace>>> machines_;
    std::vector<pid_t> started_;
    std::string rules_;
    std::string failure_;
};
