#include "net/cNetPlay.h"

#include <algorithm>
#include <random>

#include "platform/clock.h"
#include "platform/report.h"

namespace {

// The largest input delay a game takes.
constexpr uint32_t kMaxDelay = 30;
constexpr uint8_t kNoDelayWish = 0xFF;
// How often the joiner greets, and repeats a round-trip measurement.
constexpr uint32_t kHelloEveryMs = 200;
constexpr uint32_t kPingWaitMs = 400;
// Datagrams taken in one frame at most: a flood of junk is drained but
// cannot hold the game up for long.
constexpr int kMostPerFrame = 4096;
// A QUIT goes out this many times, a little apart.
constexpr int kQuitCopies = 4;
// Smoothing of how far ahead this machine runs, and how often it may wait
// a step for the other to catch up.
constexpr double kAheadWeight = 0.1;
constexpr uint32_t kStepsBetweenSkips = 20;

uint64_t NewToken() {
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device();
}

uint32_t Median(std::vector<uint32_t> samples) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

}  // namespace

cNetPlay::~cNetPlay() { Shutdown(); }

void cNetPlay::SendTo(const std::vector<uint8_t>& bytes) {
    SendDatagram(socket_, partner_, bytes.data(), bytes.size());
}

bool cNetPlay::Connect(const AppOptions& options, const std::function<bool()>& cancelled,
                       std::string* error) {
    host_ = options.net == AppOptions::Net::Host;
    const bool ok = host_ ? Host(options, cancelled, error) : Join(options, cancelled, error);
    if (!ok) Shutdown();
    return ok;
}

bool cNetPlay::Host(const AppOptions& options, const std::function<bool()>& cancelled,
                    std::string* error) {
    std::string why;
    socket_ = OpenDatagramSocket(options.port, &why);
    if (!socket_.Open()) {
        *error = "cannot open UDP port " + std::to_string(options.port) + ": " + why;
        return false;
    }
    const uint16_t port = socket_.port;
    // The router is asked in the background; hosting does not wait for it.
    if (options.upnp) mapper_ = std::thread([this, port] {
        std::string because;
        if (MapUdpPort(port, &mapping_, &because)) {
            Report("network", "the router now forwards UDP port %u to this machine: give your "
                   "partner %s:%u", static_cast<unsigned>(port),
                   mapping_.externalAddress.empty() ? "this router's public address"
                                                    : mapping_.externalAddress.c_str(),
                   static_cast<unsigned>(port));
        } else {
            Report("network", "%s; a partner outside this network needs UDP port %u forwarded "
                   "to this machine by hand", because.c_str(), static_cast<unsigned>(port));
        }
    });
    Report("network", "waiting for a second machine to join on UDP port %u (Ctrl+C to cancel)",
           static_cast<unsigned>(port));

    DiscoveryResponder discovery(KAZIRO_VERSION);
    // Refusals are answers too: a few a second at most, whoever asks.
    ProbeRateLimit refusals;
    bool toldOtherVersion = false;
    bool welcomed = false;
    uint64_t nonce = 0;
    uint32_t greetedAt = 0;
    std::vector<uint8_t> welcome;
    uint8_t buffer[kMaxDatagram];
    const auto refuse = [&](const NetAddress& to, uint64_t theirNonce, RefuseReason reason) {
        if (!refusals.Allow(timeGetTime())) return;
        Greeting r;
        r.kind = DatagramKind::Refuse;
        r.nonce = theirNonce;
        r.reason = static_cast<uint8_t>(reason);
        r.version = KAZIRO_VERSION;
        const std::vector<uint8_t> bytes = EncodeGreeting(r);
        SendDatagram(socket_, to, bytes.data(), bytes.size());
    };
    for (;;) {
        if (cancelled && cancelled()) {
            *error = "cancelled while waiting for a second machine";
            return false;
        }
        // A machine that greeted and did not finish within 10 s is forgotten:
        // the host waits for the next, so a stranger's HELLO cannot hold it.
        if (welcomed && timeGetTime() - greetedAt > kGreetingMs) {
            Report("network", "%s did not finish the greeting; waiting for another machine",
                   partner_.Text().c_str());
            welcomed = false;
            partner_ = NetAddress{};
            token_ = 0;
        }
        WaitDatagram(socket_, 50);
        NetAddress from;
        long n = 0;
        // A bounded batch, so a flood cannot keep the checks above from running.
        for (int taken = 0; taken < 256 && (n = ReceiveDatagram(&socket_, buffer, sizeof buffer, &from)) > 0;
             ++taken) {
            const size_t size = static_cast<size_t>(n);
            if (!welcomed && discovery.Handle(socket_, buffer, size, from, timeGetTime())) continue;
            Greeting g;
            if (!ParseGreeting(buffer, size, &g)) {
                ++dropped;
                continue;
            }
            if (g.kind == DatagramKind::Hello && (!welcomed || from != partner_)) {
                if (g.version != KAZIRO_VERSION) {
                    // Told so; the host goes on waiting for a machine of its version.
                    refuse(from, g.nonce, RefuseReason::OtherVersion);
                    if (!toldOtherVersion) {
                        Report("network", "a machine running kaziro %s tried to join; this one runs "
                               "%s: both machines must run the same version", g.version.c_str(),
                               KAZIRO_VERSION);
                        toldOtherVersion = true;
                    }
                    continue;
                }
                if (welcomed) {  // a game is being set up with another machine
                    refuse(from, g.nonce, RefuseReason::Busy);
                    continue;
                }
                partner_ = from;
                nonce = g.nonce;
                token_ = NewToken();
                seed_ = static_cast<uint32_t>(NewToken()) ^ timeGetTime();
                // This machine's --delay, else the other's wish, else none.
                if (options.delay >= 0) {
                    delay_ = static_cast<uint32_t>(options.delay);
                } else {
                    delay_ = g.delay == kNoDelayWish ? 0 : std::min<uint32_t>(g.delay, kMaxDelay);
                }
                Greeting w;
                w.kind = DatagramKind::Welcome;
                w.nonce = nonce;
                w.token = token_;
                w.seed = seed_;
                w.delay = static_cast<uint8_t>(delay_);
                w.version = KAZIRO_VERSION;
                welcome = EncodeGreeting(w);
                SendTo(welcome);
                welcomed = true;
                greetedAt = timeGetTime();
                continue;
            }
            // Greeted: only the partner counts, and only with the token.
            if (!welcomed || from != partner_) {
                ++dropped;
                continue;
            }
            if (g.kind == DatagramKind::Hello) {
                if (g.nonce == nonce) SendTo(welcome);  // the first WELCOME was lost
                continue;
            }
            if (g.token != token_) {
                ++dropped;
                continue;
            }
            if (g.kind == DatagramKind::Ping) {
                Greeting pong = g;
                pong.kind = DatagramKind::Pong;
                SendTo(EncodeGreeting(pong));
            } else if (g.kind == DatagramKind::Ready) {
                Report("network", "%s joined; input delay %u steps", partner_.Text().c_str(),
                       static_cast<unsigned>(delay_));
                return true;
            }
        }
    }
}

bool cNetPlay::Join(const AppOptions& options, const std::function<bool()>& cancelled,
                    std::string* error) {
    std::string why;
    if (options.host.empty()) {
        std::string version;
        Report("network", "looking for a game on the local network (UDP port %u)",
               static_cast<unsigned>(options.port));
        if (!FindHostOnLan(options.port, 3000, &partner_, &version, &why)) {
            *error = why;
            return false;
        }
        Report("network", "found a game at %s (kaziro %s)", partner_.Text().c_str(), version.c_str());
    } else if (!ResolveAddress(options.host, options.port, &partner_, &why)) {
        *error = why;
        return false;
    }
    socket_ = OpenDatagramSocket(0, &why);
    if (!socket_.Open()) {
        *error = "cannot open a UDP socket: " + why;
        return false;
    }
    Report("network", "joining %s (Ctrl+C to cancel)", partner_.Text().c_str());

    Greeting hello;
    hello.kind = DatagramKind::Hello;
    hello.nonce = NewToken();
    hello.version = KAZIRO_VERSION;
    hello.delay = options.delay >= 0 ? static_cast<uint8_t>(options.delay) : kNoDelayWish;
    const std::vector<uint8_t> helloBytes = EncodeGreeting(hello);

    const uint32_t start = timeGetTime();
    uint32_t lastHello = start - kHelloEveryMs;
    bool welcomed = false;
    std::vector<uint32_t> roundTrips;
    uint8_t sequence = 0;
    uint32_t pingSent = 0;
    uint8_t buffer[kMaxDatagram];
    while (static_cast<int>(roundTrips.size()) < kPings) {
        if (cancelled && cancelled()) {
            *error = "cancelled while joining " + partner_.Text();
            return false;
        }
        uint32_t now = timeGetTime();
        if (now - start > kGreetingMs) {
            *error = welcomed ? "the host did not finish the greeting within 10 s"
                              : "no game answered at " + partner_.Text() + " within 10 s";
            return false;
        }
        if (!welcomed && now - lastHello >= kHelloEveryMs) {
            SendTo(helloBytes);
            lastHello = now;
        }
        if (welcomed && now - pingSent >= kPingWaitMs) {  // the first, or one that was lost
            Greeting ping;
            ping.kind = DatagramKind::Ping;
            ping.token = token_;
            ping.sequence = sequence;
            ping.clock = now;
            SendTo(EncodeGreeting(ping));
            pingSent = now;
        }
        WaitDatagram(socket_, 20);
        NetAddress from;
        long n = 0;
        for (int taken = 0; taken < 256 && (n = ReceiveDatagram(&socket_, buffer, sizeof buffer, &from)) > 0;
             ++taken) {
            Greeting g;
            if (from != partner_ || !ParseGreeting(buffer, static_cast<size_t>(n), &g)) {
                ++dropped;
                continue;
            }
            now = timeGetTime();
            if (g.kind == DatagramKind::Refuse && g.nonce == hello.nonce) {
                *error = g.reason == static_cast<uint8_t>(RefuseReason::OtherVersion)
                             ? "the other machine runs kaziro " + g.version + ", this one " +
                                   KAZIRO_VERSION + ": both machines must run the same version"
                             : "the other machine is already playing a game";
                return false;
            }
            if (g.kind == DatagramKind::Welcome && g.nonce == hello.nonce && !welcomed) {
                welcomed = true;
                token_ = g.token;
                seed_ = g.seed;
                delay_ = std::min<uint32_t>(g.delay, kMaxDelay);
                pingSent = now - kPingWaitMs;
            } else if (welcomed && g.kind == DatagramKind::Pong && g.token == token_ &&
                       g.sequence == sequence && g.clock == pingSent) {
                // Each measurement counts once; a lost one is asked again, so
                // the median of several is the line's round trip, not its worst.
                roundTrips.push_back(now - g.clock);
                ++sequence;
                pingSent = now - kPingWaitMs;
            }
        }
    }
    roundTrip_ = Median(roundTrips);
    Greeting ready;
    ready.kind = DatagramKind::Ready;
    ready.token = token_;
    SendTo(EncodeGreeting(ready));
    Report("network", "joined %s: round trip %u ms, input delay %u steps", partner_.Text().c_str(),
           static_cast<unsigned>(roundTrip_), static_cast<unsigned>(delay_));
    return true;
}

void cNetPlay::Begin(GameState* game) {
    game_ = game;
    rollback_.Start(game, host_ ? 0 : 1, delay_);
    started_ = false;
    peerHeld_ = 0;
    lastHeard_ = timeGetTime();
    theirClockAt_ = theirNextAt_ = 0;
    advantage_ = 0.0;
    for (TheirChecksum& t : theirs_) t = TheirChecksum{};
}

uint32_t cNetPlay::SilentMs() const { return timeGetTime() - lastHeard_; }

void cNetPlay::Receive(uint32_t now) {
    uint8_t buffer[kMaxDatagram];
    NetAddress from;
    for (int i = 0; i < kMostPerFrame; ++i) {
        const long n = ReceiveDatagram(&socket_, buffer, sizeof buffer, &from);
        if (n <= 0) break;
        GamePacket packet;
        if (from != partner_ || !ParseGamePacket(buffer, static_cast<size_t>(n), &packet) ||
            packet.token != token_) {
            // A greeting repeated by the partner needs no answer now: this
            // machine's datagrams answer it.
            ++dropped;
            continue;
        }
        Take(packet, now);
    }
}

void cNetPlay::Take(const GamePacket& p, uint32_t now) {
    lastHeard_ = now;
    started_ = true;
    if (p.quit && !failed_ && !theyEnded_) {  // the first of its copies
        switch (p.reason) {
            case QuitReason::PlayerQuit:
                Report("network", "the other machine quit");
                failed_ = true;
                break;
            case QuitReason::Desync:
                Report("network", "the two machines' games went apart by step %u",
                       static_cast<unsigned>(p.reasonStep));
                failed_ = true;
                break;
            case QuitReason::GameOver:
                theyEnded_ = true;  // this machine's game ends there too, once it gets there
                theirEnd_ = p.reasonStep;
                break;
        }
    }
    // Their records, from the first this machine lacks; steps counted wide,
    // so a count near the top of the range cannot wrap onto small steps.
    const uint64_t held = rollback_.RemoteHeld();
    const uint64_t first = p.first;
    if (first <= held && held < first + p.records.size()) {
        for (uint64_t step = held; step < first + p.records.size(); ++step) {
            rollback_.AddRemote(static_cast<uint32_t>(step), p.records[step - first]);
        }
    }
    peerHeld_ = std::max(peerHeld_, std::min(p.held, rollback_.LocalMade()));
    // A datagram that overtook a later one on the way says nothing newer.
    const bool newer = static_cast<int32_t>(p.clock - theirClock_) > 0 || theirClockAt_ == 0;
    if (!newer) return;
    theirNext_ = p.next;
    theirNextAt_ = now;
    if (p.echo != 0) {  // a round trip: now, less their clock's echo and how long they held it
        const uint32_t sample = now - p.echo - p.echoAge;
        if (sample < 5000) roundTrip_ = roundTrip_ == 0 ? sample : (roundTrip_ * 7 + sample) / 8;
    }
    theirClock_ = p.clock;
    theirClockAt_ = now;
    if (p.confirmed > 0) theirs_[(p.confirmed - 1) % 64] = TheirChecksum{p.confirmed - 1, p.checksum};
}

bool cNetPlay::CheckChecksums() {
    for (TheirChecksum& t : theirs_) {
        if (t.step == UINT32_MAX || t.step >= rollback_.Confirmed()) continue;
        uint32_t mine = 0;
        if (rollback_.HistoryAfter(t.step, &mine) && mine != t.checksum) {
            Report("network", "the two machines' games went apart by step %u (checksum of the "
                   "game so far %08X here, %08X on the other machine)", static_cast<unsigned>(t.step),
                   static_cast<unsigned>(mine), static_cast<unsigned>(t.checksum));
            quitReason_ = QuitReason::Desync;
            quitStep_ = t.step;
            failed_ = true;
            return false;
        }
        t = TheirChecksum{};
    }
    return true;
}

bool cNetPlay::TimeToSkip(uint32_t now) {
    // Where the other machine stands now: its step when it last spoke, the
    // time since, and the way here.
    const double theirs = static_cast<double>(theirNext_) +
                          (static_cast<double>(now - theirNextAt_) + roundTrip_ / 2.0) / 16.0;
    const double ahead = static_cast<double>(rollback_.Next()) - theirs;
    advantage_ += kAheadWeight * (std::clamp(ahead, -60.0, 60.0) - advantage_);
    ++sinceSkip_;
    if (advantage_ < 1.0 || sinceSkip_ < kStepsBetweenSkips) return false;
    sinceSkip_ = 0;
    advantage_ -= 1.0;
    return true;
}

void cNetPlay::Send(uint32_t now, bool quit) {
    GamePacket p;
    p.quit = quit;
    p.token = token_;
    p.reason = quitReason_;
    p.reasonStep = quitStep_;
    p.held = rollback_.RemoteHeld();
    // Every record the other does not hold yet, oldest first.
    const uint32_t made = rollback_.LocalMade();
    p.first = peerHeld_;
    const uint32_t count = std::min<uint32_t>(made - p.first, kMaxCarried);
    for (uint32_t i = 0; i < count; ++i) p.records.push_back(rollback_.Local(p.first + i));
    p.next = rollback_.Next();
    p.confirmed = rollback_.Confirmed();
    if (p.confirmed > 0) rollback_.HistoryAfter(p.confirmed - 1, &p.checksum);
    p.clock = now == 0 ? 1 : now;
    if (theirClockAt_ != 0) {
        p.echo = theirClock_;
        p.echoAge = static_cast<uint16_t>(std::min<uint32_t>(now - theirClockAt_, 65535));
    }
    SendTo(EncodeGamePacket(p));
}

cNetPlay::Frame cNetPlay::Play(const PlayerControls& local, StepEvents* events, bool* rolledBack) {
    const uint32_t now = timeGetTime();
    *rolledBack = false;
    Receive(now);
    if (failed_) return Frame::Failed;
    if (now - lastHeard_ >= kGiveUpMs) {
        Report("network", "the other machine has not answered for %u seconds",
               static_cast<unsigned>(kGiveUpMs / 1000));
        failed_ = true;
        return Frame::Failed;
    }
    if (!started_) {
        if (!host_) {  // until the host is heard of, it may still wait for this
            Greeting ready;
            ready.kind = DatagramKind::Ready;
            ready.token = token_;
            SendTo(EncodeGreeting(ready));
        }
        Send(now, false);
        return Frame::Waiting;
    }

    // This frame's record, with the presses of frames that took no step.
    PlayerControls record = local;
    if (carrying_) {
        record.confirm |= carried_.confirm;
        record.pause |= carried_.pause;
        record.digits |= carried_.digits;
    }
    Frame frame = Frame::Waiting;
    const bool skip = TimeToSkip(now);
    if (!skip && rollback_.CanAdvance()) {
        const uint64_t before = rollback_.rollbacks;
        rollback_.Advance(record, events);
        *rolledBack = rollback_.rollbacks != before;
        frame = Frame::Stepped;
        carrying_ = false;
    } else {
        ++(skip ? skipped : stalls);
        *rolledBack = rollback_.CatchUp();
        carried_ = record;
        carrying_ = true;
    }
    if (!CheckChecksums()) return Frame::Failed;
    uint32_t end = 0;
    if (rollback_.GameOver(&end)) {
        quitReason_ = QuitReason::GameOver;
        quitStep_ = end;
        return Frame::Ended;
    }
    if (theyEnded_ && rollback_.Confirmed() > theirEnd_) {
        Report("network", "the two machines' games went apart by step %u (the game ended there "
               "on the other machine only)", static_cast<unsigned>(theirEnd_));
        quitReason_ = QuitReason::Desync;
        quitStep_ = theirEnd_;
        failed_ = true;
        return Frame::Failed;
    }
    Send(now, false);
    return frame;
}

void cNetPlay::Shutdown() {
    if (socket_.Open()) {
        if (token_ != 0 && partner_.Valid() && !quitSent_) {
            quitSent_ = true;
            for (int i = 0; i < kQuitCopies; ++i) {
                if (i > 0) Sleep(10);
                Send(timeGetTime(), true);
            }
        }
        CloseDatagramSocket(&socket_);
    }
    if (mapper_.joinable()) mapper_.join();
    UnmapPort(mapping_);
}
