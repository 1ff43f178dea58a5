#include "net/cNetPlay.h"

#include <algorithm>

#include "game/Fingerprint.h"
#include "platform/clock.h"
#include "platform/report.h"

namespace {

// How often the joiner greets, and repeats a round-trip measurement.
constexpr uint32_t kHelloEveryMs = 200;
constexpr uint32_t kPingWaitMs = 400;
// Answers to machines the host does not play with, per source address and
// in all, each second: refusals, and the greeting's own (WELCOME, PONG; a
// joiner pings five times in a row).
constexpr uint32_t kRefusalsPerSource = 2, kRefusalsInAll = 16;
constexpr uint32_t kAnswersPerSource = 10, kAnswersInAll = 40;
// --join alone lists every game that answers within a second, and waits up
// to three for the first.
constexpr uint32_t kListenMs = 1000, kSearchMs = 3000;
// A QUIT goes out this many times, a little apart.
constexpr int kQuitCopies = 4;
// Smoothing of how far ahead this machine runs, and how often it may wait
// a step for the other to catch up.
constexpr double kAheadWeight = 0.1;
constexpr uint32_t kStepsBetweenSkips = 20;

}  // namespace

cNetPlay::~cNetPlay() { Shutdown(); }

void cNetPlay::SendTo(const std::vector<uint8_t>& bytes) {
    SendDatagram(link_.socket, link_.partner, bytes.data(), bytes.size());
}

bool cNetPlay::Connect(const NetSettings& settings, const std::function<bool()>& cancelled,
                       std::string* error) {
    state_ = State::Greeting;
    link_.host = settings.role == NetSettings::Role::Host;
    const bool ok = link_.host              ? Host(settings, cancelled, error)
                    : !settings.meet.empty() ? JoinRoom(settings, cancelled, error)
                                             : Join(settings, cancelled, error);
    if (!ok) Shutdown();
    return ok;
}

// --- The host's greeting --------------------------------------------------------

cNetPlay::HostGreeting::HostGreeting(const NetSettings& s)
    : settings(s),
      discovery(KAZIRO_VERSION, MachineName()),
      refusals(kRefusalsPerSource, kRefusalsInAll),
      answers(kAnswersPerSource, kAnswersInAll) {}

bool cNetPlay::Host(const NetSettings& settings, const std::function<bool()>& cancelled,
                    std::string* error) {
    std::string why;
    link_.socket = OpenDatagramSocket(settings.port, &why);
    if (!link_.socket.Open()) {
        *error = "cannot open UDP port " + std::to_string(settings.port) + ": " + why;
        return false;
    }
    const uint16_t port = link_.socket.port;
    // The router is asked in the background; hosting does not wait for it.
    if (settings.upnp) router_.Start(port);
    if (!settings.meet.empty() && !OpenRoom(settings, error)) return false;
    Report("network", "waiting for a second machine to join on UDP port %u (Ctrl+C to cancel)",
           static_cast<unsigned>(port));

    HostGreeting g(settings);
    uint8_t buffer[kMaxDatagram];
    while (!g.ready) {
        if (cancelled && cancelled()) {
            *error = "cancelled while waiting for a second machine";
            return false;
        }
        ForgetUnfinished(g);
        if (room_ && !FollowRoom(error)) return false;
        WaitDatagram(link_.socket, 50);
        // Within a time budget, so a flood cannot keep the checks above from running.
        DrainDatagrams(&link_.socket, buffer, sizeof buffer,
                       [&](const uint8_t* bytes, size_t size, const NetAddress& from) {
                           TakeWhileHosting(g, bytes, size, from);
                           return !g.ready;
                       });
    }
    Report("network", "%s joined; input delay %u steps", link_.partner.Text().c_str(),
           static_cast<unsigned>(link_.delay));
    if (room_) SayWay();
    return true;
}

// A machine that greeted and did not finish within 10 s is forgotten; the
// others welcomed meanwhile go on, so a stranger's HELLO cannot hold the host.
void cNetPlay::ForgetUnfinished(HostGreeting& g) {
    for (const NetAddress& gone : g.welcomed.Expire(timeGetTime())) {
        Report("network", "%s did not finish the greeting; waiting for another machine", gone.Text().c_str());
    }
}

void cNetPlay::TakeWhileHosting(HostGreeting& g, const uint8_t* bytes, size_t size,
                                const NetAddress& from) {
    if (room_ && room_->Take(from, bytes, size)) return;
    if (g.discovery.Handle(link_.socket, bytes, size, from, timeGetTime())) return;
    Greeting greeting;
    if (!ParseGreeting(bytes, size, &greeting)) {
        ++dropped;
        return;
    }
    HalfGreeted* h = g.welcomed.Find(from);
    if (greeting.kind == DatagramKind::Hello) {
        if (room_ && room_->Key() != 0 && greeting.nonce == room_->Key()) room_->Probed(from);
        if (h && greeting.nonce == h->nonce) {  // the first WELCOME was lost
            Answer(g, from, h->welcome);
        } else {
            WelcomeOrRefuse(g, greeting, from);
        }
        return;
    }
    // Welcomed: only with the token it was given.
    if (!h || greeting.token != h->token) {
        ++dropped;
        return;
    }
    h->answered = true;
    if (greeting.kind == DatagramKind::Ping) {
        Greeting pong = greeting;
        pong.kind = DatagramKind::Pong;
        Answer(g, from, EncodeGreeting(pong));
    } else if (greeting.kind == DatagramKind::Ready) {
        // The first to finish is the partner.
        link_.partner = from;
        link_.token = h->token;
        link_.seed = h->seed;
        link_.delay = h->delay;
        g.ready = true;
    }
}

void cNetPlay::WelcomeOrRefuse(HostGreeting& g, const Greeting& hello, const NetAddress& from) {
    if (hello.version != KAZIRO_VERSION) {
        // Told so; the host goes on waiting for a machine of its version.
        Refuse(g, from, hello.nonce, RefuseReason::OtherVersion);
        if (!g.toldOtherVersion) {
            Report("network", "a machine running kaziro %s tried to join; this one runs %s: both "
                   "machines must run the same version", hello.version.c_str(), KAZIRO_VERSION);
            g.toldOtherVersion = true;
        }
        return;
    }
    if (hello.fingerprint != ArithmeticFingerprint()) {
        // The same version built another way: its games would go apart.
        Refuse(g, from, hello.nonce, RefuseReason::OtherArithmetic);
        if (!g.toldOtherArithmetic) {
            Report("network", "%s", OtherArithmeticText(hello.fingerprint).c_str());
            g.toldOtherArithmetic = true;
        }
        return;
    }
    HalfGreeted& h = g.welcomed.Add(from, timeGetTime());
    h.nonce = hello.nonce;
    // The partner met by a room code knows its token already: the room's key.
    h.token = room_ && room_->Key() != 0 && hello.nonce == room_->Key() ? room_->Key() : NewToken();
    h.seed = NewSeed();
    h.delay = ChooseDelay(g.settings.delay, hello.delay, 0);
    Greeting w;
    w.kind = DatagramKind::Welcome;
    w.nonce = hello.nonce;
    w.token = h.token;
    w.seed = h.seed;
    w.delay = static_cast<uint8_t>(h.delay);
    w.version = KAZIRO_VERSION;
    h.welcome = EncodeGreeting(w);
    Answer(g, from, h.welcome);
}

// The greeting's answers (WELCOME, PONG): a few a second to each source, like every answer.
void cNetPlay::Answer(HostGreeting& g, const NetAddress& to, const std::vector<uint8_t>& bytes) {
    if (g.answers.Allow(to, timeGetTime())) SendDatagram(link_.socket, to, bytes.data(), bytes.size());
}

std::string cNetPlay::RefusalText(const Greeting& refusal) {
    switch (static_cast<RefuseReason>(refusal.reason)) {
        case RefuseReason::OtherVersion: return OtherVersionText(refusal.version);
        case RefuseReason::OtherArithmetic: return OtherArithmeticText(refusal.fingerprint);
        default: return "the other machine is already playing a game";
    }
}

// Refusals are answers too: a few a second to each source, whoever asks.
void cNetPlay::Refuse(HostGreeting& g, const NetAddress& to, uint64_t nonce, RefuseReason reason) {
    if (!g.refusals.Allow(to, timeGetTime())) return;
    Greeting r;
    r.kind = DatagramKind::Refuse;
    r.nonce = nonce;
    r.reason = static_cast<uint8_t>(reason);
    r.version = KAZIRO_VERSION;
    r.fingerprint = ArithmeticFingerprint();
    const std::vector<uint8_t> bytes = EncodeGreeting(r);
    SendDatagram(link_.socket, to, bytes.data(), bytes.size());
}

// --- The joiner's greeting ------------------------------------------------------

// The host given, else the one game found on the local network; with
// several, every one is listed and the first of this version joined.
bool cNetPlay::FindPartner(const NetSettings& settings, const std::function<bool()>& cancelled,
                           std::string* error) {
    std::string why;
    if (!settings.host.empty()) {
        if (ResolveAddress(settings.host, settings.port, &link_.partner, &why)) return true;
        *error = why;
        return false;
    }
    Report("network", "looking for games on the local network (UDP port %u)",
           static_cast<unsigned>(settings.port));
    std::vector<FoundHost> hosts;
    if (!FindHostsOnLan(settings.port, kListenMs, kSearchMs, cancelled, &hosts, &why)) {
        *error = why;
        return false;
    }
    auto describe = [](const FoundHost& h) {
        return (h.name.empty() ? std::string("a game") : "\"" + h.name + "\"") + " at " +
               h.address.Text() + " (kaziro " + h.version + ")";
    };
    if (hosts.size() == 1) {
        Report("network", "found %s", describe(hosts[0]).c_str());
        link_.partner = hosts[0].address;
        return true;
    }
    Report("network", "found %zu games:", hosts.size());
    for (size_t i = 0; i < hosts.size(); ++i) {
        Report("network", "  %zu. %s", i + 1, describe(hosts[i]).c_str());
    }
    const auto mine = std::find_if(hosts.begin(), hosts.end(),
                                   [](const FoundHost& h) { return h.version == KAZIRO_VERSION; });
    const size_t chosen = mine != hosts.end() ? static_cast<size_t>(mine - hosts.begin()) : 0;
    link_.partner = hosts[chosen].address;
    Report("network", "joining number %zu; to join another, start again with --join and its "
           "address (--join %s)", chosen + 1, hosts[chosen == 0 ? 1 : 0].address.Text().c_str());
    return true;
}

// Greets the host until welcomed, then measures the round trip until the
// median of several is known, and says READY.
bool cNetPlay::Join(const NetSettings& settings, const std::function<bool()>& cancelled,
                    std::string* error) {
    if (!FindPartner(settings, cancelled, error)) return false;
    std::string why;
    link_.socket = OpenDatagramSocket(0, &why);
    if (!link_.socket.Open()) {
        *error = "cannot open a UDP socket: " + why;
        return false;
    }
    Report("network", "joining %s (Ctrl+C to cancel)", link_.partner.Text().c_str());

    Greeting hello;
    hello.kind = DatagramKind::Hello;
    hello.nonce = NewToken();
    hello.version = KAZIRO_VERSION;
    hello.delay = settings.delay >= 0 ? static_cast<uint8_t>(settings.delay) : kNoDelayWish;
    hello.fingerprint = ArithmeticFingerprint();
    const std::vector<uint8_t> helloBytes = EncodeGreeting(hello);

    const uint32_t start = timeGetTime();
    uint32_t lastHello = start - kHelloEveryMs;
    bool welcomed = false;
    RoundTrips roundTrips;
    uint8_t sequence = 0;
    uint32_t pingSent = 0;
    uint8_t buffer[kMaxDatagram];
    std::string refused;
    while (!roundTrips.Enough()) {
        if (cancelled && cancelled()) {
            *error = "cancelled while joining " + link_.partner.Text();
            return false;
        }
        const uint32_t now = timeGetTime();
        if (now - start > kGreetingMs) {
            *error = welcomed ? "the host did not finish the greeting within 10 s"
                              : "no game answered at " + link_.partner.Text() + " within 10 s";
            return false;
        }
        if (!welcomed && now - lastHello >= kHelloEveryMs) {
            SendTo(helloBytes);
            lastHello = now;
        }
        if (welcomed && now - pingSent >= kPingWaitMs) {  // the first, or one that was lost
            SendPing(sequence, now);
            pingSent = now;
        }
        WaitDatagram(link_.socket, 20);
        DrainDatagrams(&link_.socket, buffer, sizeof buffer,
                       [&](const uint8_t* bytes, size_t size, const NetAddress& from) {
            Greeting g;
            if (from != link_.partner || !ParseGreeting(bytes, size, &g)) {
                ++dropped;
                return true;
            }
            const uint32_t at = timeGetTime();
            if (g.kind == DatagramKind::Refuse && g.nonce == hello.nonce) {
                refused = RefusalText(g);
                return false;
            }
            if (g.kind == DatagramKind::Welcome && g.nonce == hello.nonce && !welcomed) {
                welcomed = true;
                TakeWelcome(g);
                pingSent = at - kPingWaitMs;
            } else if (welcomed && g.kind == DatagramKind::Pong && g.token == link_.token &&
                       g.sequence == sequence && g.clock == pingSent) {
                // Each measurement counts once; a lost one is asked again, so
                // the median of several is the line's round trip, not its worst.
                roundTrips.Add(at - g.clock);
                ++sequence;
                pingSent = at - kPingWaitMs;
            }
            return true;
        });
        if (!refused.empty()) {
            *error = refused;
            return false;
        }
    }
    Joined(roundTrips.Median());
    return true;
}

void cNetPlay::SendPing(uint32_t sequence, uint32_t now) {
    Greeting ping;
    ping.kind = DatagramKind::Ping;
    ping.token = link_.token;
    ping.sequence = sequence;
    ping.clock = now;
    SendTo(EncodeGreeting(ping));
}

void cNetPlay::TakeWelcome(const Greeting& welcome) {
    link_.token = welcome.token;
    link_.seed = welcome.seed;
    link_.delay = std::min<uint32_t>(welcome.delay, kMaxDelay);
}

void cNetPlay::SendReady() {
    Greeting ready;
    ready.kind = DatagramKind::Ready;
    ready.token = link_.token;
    SendTo(EncodeGreeting(ready));
}

void cNetPlay::Joined(uint32_t roundTrip) {
    link_.roundTrip = roundTrip;
    SendReady();
    Report("network", "joined %s: round trip %u ms, input delay %u steps", link_.partner.Text().c_str(),
           static_cast<unsigned>(link_.roundTrip), static_cast<unsigned>(link_.delay));
}

// --- At play --------------------------------------------------------------------

void cNetPlay::Begin(GameState* game, GameStep step) {
    game_ = game;
    rollback_.Start(game, link_.host ? 0 : 1, link_.delay, std::move(step));
    pace_ = Pace{};
    pace_.lastHeard = timeGetTime();
    end_ = End{};
    for (TheirChecksum& t : theirs_) t = TheirChecksum{};
    state_ = State::WaitingForPartner;
}

uint32_t cNetPlay::SilentMs() const { return timeGetTime() - pace_.lastHeard; }

void cNetPlay::Receive(uint32_t now) {
    // Until the socket is empty, within a budget: a flood is drained as it
    // comes, so the partner's datagrams always find room.
    uint8_t buffer[kMaxDatagram];
    DrainDatagrams(&link_.socket, buffer, sizeof buffer,
                   [&](const uint8_t* bytes, size_t size, const NetAddress& from) {
        GamePacket packet;
        if (from != link_.partner || !ParseGamePacket(bytes, size, &packet) ||
            packet.token != link_.token) {
            // A greeting repeated by the partner needs no answer now: this
            // machine's datagrams answer it.
            ++dropped;
            return true;
        }
        Take(packet, now);
        return true;
    });
}

void cNetPlay::EndHere(QuitReason reason, uint32_t step, Ending how) {
    end_.reason = reason;
    end_.step = step;
    end_.failed = how != Ending::None;
    end_.how = how;
    state_ = State::Ended;
}

// The first of a QUIT's copies: the other quit, found the games apart, or
// played its last round.
void cNetPlay::TheyQuit(const GamePacket& p) {
    switch (p.reason) {
        case QuitReason::PlayerQuit:
            Report("network", "the other machine quit");
            EndHere(QuitReason::PlayerQuit, 0, Ending::TheyQuit);
            break;
        case QuitReason::Desync:
            Report("network", "the two machines' games went apart by step %u",
                   static_cast<unsigned>(p.reasonStep));
            EndHere(QuitReason::PlayerQuit, 0, Ending::Apart);
            break;
        case QuitReason::GameOver:
            // This machine's game ends there too, once it gets there.
            end_.theirs = p.reasonStep;
            state_ = State::Ending;
            break;
    }
}

void cNetPlay::Take(const GamePacket& p, uint32_t now) {
    ++received;
    pace_.lastHeard = now;
    if (state_ == State::WaitingForPartner) state_ = State::Running;
    if (p.quit && state_ == State::Running) TheyQuit(p);
    // Their records, from the first this machine lacks; steps counted wide,
    // so a count near the top of the range cannot wrap onto small steps.
    const uint64_t held = rollback_.RemoteHeld();
    const uint64_t first = p.first;
    if (first <= held && held < first + p.records.size()) {
        for (uint64_t step = held; step < first + p.records.size(); ++step) {
            rollback_.AddRemote(static_cast<uint32_t>(step), p.records[step - first]);
        }
    }
    pace_.peerHeld = std::max(pace_.peerHeld, std::min(p.held, rollback_.LocalMade()));
    // A datagram that overtook a later one on the way says nothing newer.
    const bool newer = static_cast<int32_t>(p.clock - pace_.theirClock) > 0 || pace_.theirClockAt == 0;
    if (!newer) return;
    pace_.theirNext = p.next;
    pace_.theirNextAt = now;
    if (p.echo != 0) {  // a round trip: now, less their clock's echo and how long they held it
        const uint32_t sample = now - p.echo - p.echoAge;
        if (sample < 5000) {
            link_.roundTrip = link_.roundTrip == 0 ? sample : (link_.roundTrip * 7 + sample) / 8;
        }
    }
    pace_.theirClock = p.clock;
    pace_.theirClockAt = now;
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
            EndHere(QuitReason::Desync, t.step, Ending::Apart);
            return false;
        }
        t = TheirChecksum{};
    }
    return true;
}

bool cNetPlay::TimeToSkip(uint32_t now) {
    // Where the other machine stands now: its step when it last spoke, the
    // time since, and the way here.
    const double theirs = static_cast<double>(pace_.theirNext) +
                          (static_cast<double>(now - pace_.theirNextAt) + link_.roundTrip / 2.0) / 16.0;
    const double ahead = static_cast<double>(rollback_.Next()) - theirs;
    pace_.advantage += kAheadWeight * (std::clamp(ahead, -60.0, 60.0) - pace_.advantage);
    ++pace_.sinceSkip;
    if (pace_.advantage < 1.0 || pace_.sinceSkip < kStepsBetweenSkips) return false;
    pace_.sinceSkip = 0;
    pace_.advantage -= 1.0;
    return true;
}

void cNetPlay::Send(uint32_t now, bool quit) {
    GamePacket p;
    p.quit = quit;
    p.token = link_.token;
    p.reason = end_.reason;
    p.reasonStep = end_.step;
    p.held = rollback_.RemoteHeld();
    // Every record the other does not hold yet, oldest first.
    const uint32_t made = rollback_.LocalMade();
    p.first = pace_.peerHeld;
    const uint32_t count = std::min<uint32_t>(made - p.first, kMaxCarried);
    for (uint32_t i = 0; i < count; ++i) p.records.push_back(rollback_.Local(p.first + i));
    p.next = rollback_.Next();
    p.confirmed = rollback_.Confirmed();
    if (p.confirmed > 0) rollback_.HistoryAfter(p.confirmed - 1, &p.checksum);
    p.clock = now == 0 ? 1 : now;
    if (pace_.theirClockAt != 0) {
        p.echo = pace_.theirClock;
        p.echoAge = static_cast<uint16_t>(std::min<uint32_t>(now - pace_.theirClockAt, 65535));
    }
    SendTo(EncodeGamePacket(p));
    ++sent;
}

// A step when the other machine is not too far behind and its records let
// the prediction go on; else a wait, with this frame's presses kept.
cNetSession::Frame cNetPlay::StepOrWait(const PlayerControls& local, uint32_t now, StepEvents* events,
                                        bool* rolledBack) {
    PlayerControls record = local;
    if (pace_.carrying) {
        record.confirm |= pace_.carried.confirm;
        record.pause |= pace_.carried.pause;
        record.digits |= pace_.carried.digits;
    }
    const bool skip = TimeToSkip(now);
    // As far as this line's round trip calls for: a long line waits no more than a short one.
    rollback_.SetPredictionWindow(PredictionWindowFor(link_.roundTrip));
    if (!skip && rollback_.CanAdvance()) {
        const uint64_t before = rollback_.rollbacks;
        rollback_.Advance(record, events);
        *rolledBack = rollback_.rollbacks != before;
        pace_.carrying = false;
        return Frame::Stepped;
    }
    ++(skip ? skipped : stalls);
    *rolledBack = rollback_.CatchUp();
    pace_.carried = record;
    pace_.carrying = true;
    return Frame::Waiting;
}

cNetSession::Frame cNetPlay::Play(const PlayerControls& local, StepEvents* events, bool* rolledBack,
                                  const WaitHook&) {
    *rolledBack = false;
    if (state_ == State::Ended) return end_.failed ? Frame::Failed : Frame::Ended;
    const uint32_t now = timeGetTime();
    Receive(now);
    if (state_ == State::Ended) return Frame::Failed;
    if (now - pace_.lastHeard >= kGiveUpMs) {
        Report("network", "the other machine has not answered for %u seconds",
               static_cast<unsigned>(kGiveUpMs / 1000));
        EndHere(QuitReason::PlayerQuit, 0, Ending::Silent);
        return Frame::Failed;
    }
    if (state_ == State::WaitingForPartner) {
        if (!link_.host) SendReady();  // until the host is heard of, it may still wait for this
        Send(now, false);
        return Frame::Waiting;
    }

    const Frame frame = StepOrWait(local, now, events, rolledBack);
    if (!CheckChecksums()) return Frame::Failed;
    uint32_t end = 0;
    if (rollback_.GameOver(&end)) {
        EndHere(QuitReason::GameOver, end, Ending::None);
        return Frame::Ended;
    }
    if (state_ == State::Ending && rollback_.Confirmed() > end_.theirs) {
        Report("network", "the two machines' games went apart by step %u (the game ended there "
               "on the other machine only)", static_cast<unsigned>(end_.theirs));
        EndHere(QuitReason::Desync, end_.theirs, Ending::Apart);
        return Frame::Failed;
    }
    Send(now, false);
    return frame;
}

bool cNetPlay::ConfirmedStepAt(uint32_t step, ConfirmedStep* out) const {
    ConfirmedStep s;
    if (!rollback_.RecordsOf(step, s.records) || !rollback_.ChecksumAfter(step, &s.checksum)) return false;
    s.resultAfter = rollback_.ResultAfter(step, &s.difficulty, &s.score);
    *out = s;
    return true;
}

NetStats cNetPlay::Stats() const {
    NetStats s;
    s.rollbacks = rollback_.rollbacks;
    s.resimulated = rollback_.resimulated;
    s.deepest = rollback_.deepest;
    s.skipped = skipped;
    s.stalls = stalls;
    s.dropped = dropped;
    s.roundTripMs = link_.roundTrip;
    s.sent = sent;
    s.received = received;
    return s;
}

void cNetPlay::Shutdown() {
    if (link_.socket.Open()) {
        if (link_.token != 0 && link_.partner.Valid() && !end_.quitSent) {
            end_.quitSent = true;
            for (int i = 0; i < kQuitCopies; ++i) {
                if (i > 0) Sleep(10);
                Send(timeGetTime(), true);
            }
        }
        CloseDatagramSocket(&link_.socket);
    }
    router_.Stop();
    if (state_ != State::Greeting) state_ = State::Ended;
}
