#include "net/MeetServer.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

// Room lines written in one second at most; the rest are counted and the
// count is said in the next line written.
constexpr uint32_t kRoomLinesPerSecond = 20;
constexpr uint64_t kLimitLineEveryMs = 60000;

uint32_t CodeSpace(uint32_t length) {
    uint32_t space = 1;
    for (uint32_t i = 0; i < length; ++i) space *= kMeetAlphabetSize;
    return space;
}

// An IP address without its port (the key of the per-address limits).
std::string AddressText(const Endpoint& ip) {
    const std::string text = ip.Text();
    return text.size() > 2 && text.compare(text.size() - 2, 2, ":0") == 0 ? text.substr(0, text.size() - 2) : text;
}

bool HasIpv6(const Endpoint& address, const Endpoint (&locals)[kMeetLocals]) {
    if (address.family == 6) return true;
    for (const Endpoint& e : locals) {
        if (e.family == 6) return true;
    }
    return false;
}

}  // namespace

size_t EndpointHash::operator()(const Endpoint& e) const {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint8_t b) {
        h ^= b;
        h *= 1099511628211ull;
    };
    mix(e.family);
    for (uint8_t b : e.ip) mix(b);
    mix(static_cast<uint8_t>(e.port));
    mix(static_cast<uint8_t>(e.port >> 8));
    return static_cast<size_t>(h);
}

MeetServer::MeetServer(const MeetLimits& limits, std::function<uint64_t()> random,
                       std::function<void(const std::string&)> log)
    : limits_(limits), random_(std::move(random)), log_(std::move(log)) {
    limits_.maxRooms = std::min(limits_.maxRooms, CodeSpace(kMeetCodeLength - 1) / 16);
    limits_.maxRelays = std::min(limits_.maxRelays, limits_.maxRooms);
    if (limits_.codeFirst && !std::strchr(kMeetAlphabet, limits_.codeFirst)) limits_.codeFirst = 0;
    rooms_.reserve(limits_.maxRooms);
}

void MeetServer::Receive(uint64_t now, const NetAddress& fromAddress, const uint8_t* data, size_t size,
                         std::vector<Send>* out) {
    const Endpoint from = EndpointOf(fromAddress);
    if (!from.Valid()) return;
    if (!IsMeetDatagram(data, size)) {
        Relay(now, from, data, size, out);
        return;
    }
    MeetMessage m;
    uint64_t nonce = 0;
    if (ParseMeet(data, size, &m) && IsMeetRequest(m.kind)) {
        Request(now, from, m, out);
    } else if (IsOtherMeetProtocol(data, size, &nonce)) {
        if (MayAnswer(now, from)) {
            Refuse(from, nonce, MeetError::OtherProtocol, out);
        } else {
            ++counts_.unanswered;
        }
    } else {
        ++counts_.dropped;
    }
}

void MeetServer::Request(uint64_t now, const Endpoint& from, const MeetMessage& m, std::vector<Send>* out) {
    Side* side = nullptr;
    // SEEN and DONE are never answered; every other request is, so a source
    // over its rate is not even listened to.
    if (m.kind == MeetKind::Seen || m.kind == MeetKind::Done) {
        Room* room = Find(from, m.nonce, m.code, &side);
        if (!room) return;
        if (m.kind == MeetKind::Done) {
            if (room->stage != Stage::Joined) return;
            side->met = true;
            if (room->host.met && room->joiner.met) Close(now, room, "met directly");
        } else if (m.detail == static_cast<uint8_t>(MeetKind::Peer)) {
            side->toldPeer = true;
        } else {
            side->toldRelay = true;
        }
        return;
    }
    if (!MayAnswer(now, from)) {
        ++counts_.unanswered;
        return;
    }
    switch (m.kind) {
        case MeetKind::Open:
            Open(now, from, m, out);
            return;
        case MeetKind::Join:
            Join(now, from, m, out);
            return;
        default:
            break;
    }
    Room* room = Find(from, m.nonce, m.code, &side);
    if (!room || (m.kind == MeetKind::Keep && side != &room->host) ||
        (m.kind == MeetKind::Relay && room->stage == Stage::Waiting)) {
        Refuse(from, m.nonce, MeetError::UnknownCode, out);
        return;
    }
    Side& other = side == &room->host ? room->joiner : room->host;
    MeetMessage answer;
    answer.nonce = m.nonce;
    answer.code = m.code;
    if (m.kind == MeetKind::Keep) {
        room->heardAt = now;
        const uint64_t age = now - room->openedAt;
        const uint64_t wait = uint64_t{limits_.codeSeconds} * 1000;
        if (room->stage == Stage::Relaying && !side->toldRelay) {
            answer.kind = MeetKind::Relaying;
        } else if (room->stage != Stage::Waiting && !side->toldPeer) {
            answer = PeerFor(*room, *side, other);
        } else {
            answer.kind = MeetKind::Kept;
            answer.seconds = static_cast<uint16_t>(room->stage == Stage::Waiting && age < wait ? (wait - age) / 1000 : 0);
        }
    } else {  // RELAY
        if (room->stage == Stage::Joined) {
            if (relays_ >= limits_.maxRelays) {
                Reached(now, kRelayLimit, "relay limit reached: " + std::to_string(relays_) +
                                              " rooms relay; asking rooms are refused");
                Refuse(from, m.nonce, MeetError::ServerFull, out);
                return;
            }
            room->stage = Stage::Relaying;
            ++relays_;
            room->relayedAt = now;
            for (Side* s : {&room->host, &room->joiner}) {
                s->tokens = UINT64_MAX;  // full: the first refill caps it
                s->filledAt = now;
            }
            side->toldRelay = true;
            answer.kind = MeetKind::Relaying;
            out->push_back({AddressOf(from), EncodeMeet(answer)});
            ++counts_.answers;
            Notify(now, room, out, true);
            return;
        }
        side->toldRelay = true;
        answer.kind = MeetKind::Relaying;
    }
    out->push_back({AddressOf(from), EncodeMeet(answer)});
    ++counts_.answers;
}

void MeetServer::Open(uint64_t now, const Endpoint& from, const MeetMessage& m, std::vector<Send>* out) {
    const auto at = byEndpoint_.find(from);
    if (at != byEndpoint_.end()) {
        Room& held = rooms_.at(at->second);
        if (held.host.address == from && held.host.nonce == m.nonce) {
            // The OPENED was lost: the same room again.
            held.heardAt = now;
        } else if (held.stage == Stage::Waiting && held.host.address == from) {
            Close(now, &held, "host opened another room");
        } else {
            Refuse(from, m.nonce, MeetError::RoomFull, out);
            return;
        }
    }
    Room* room = nullptr;
    const auto again = byEndpoint_.find(from);
    if (again != byEndpoint_.end()) {
        room = &rooms_.at(again->second);
    } else {
        if (rooms_.size() >= limits_.maxRooms) {
            Reached(now, kRoomLimit, "room limit reached: " + std::to_string(rooms_.size()) +
                                         " rooms open; new rooms are refused");
            Refuse(from, m.nonce, MeetError::ServerFull, out);
            return;
        }
        Endpoint ip = from;
        ip.port = 0;
        const auto hosted = perAddress_.find(ip);
        if (hosted != perAddress_.end() && hosted->second >= limits_.roomsPerAddress) {
            Reached(now, kAddressLimit, "rooms per address reached: " + AddressText(ip) +
                                            " hosts " + std::to_string(hosted->second) +
                                            " rooms; its new rooms are refused");
            Refuse(from, m.nonce, MeetError::ServerFull, out);
            return;
        }
        Room fresh;
        fresh.code = NewCode();
        fresh.key = random_();
        fresh.host.address = from;
        fresh.host.nonce = m.nonce;
        std::copy(std::begin(m.locals), std::end(m.locals), std::begin(fresh.host.locals));
        fresh.openedAt = fresh.heardAt = now;
        room = &rooms_.emplace(fresh.code, fresh).first->second;
        byEndpoint_[from] = fresh.code;
        ++perAddress_[ip];
    }
    MeetMessage answer;
    answer.kind = MeetKind::Opened;
    answer.nonce = m.nonce;
    answer.code = MeetCodeText(room->code);
    answer.seen = from;
    answer.seconds = static_cast<uint16_t>(std::min<uint32_t>(limits_.codeSeconds, UINT16_MAX));
    out->push_back({AddressOf(from), EncodeMeet(answer)});
    ++counts_.answers;
}

void MeetServer::Join(uint64_t now, const Endpoint& from, const MeetMessage& m, std::vector<Send>* out) {
    if (!MayGuess(now, from, false)) {
        ++counts_.unanswered;
        return;
    }
    const auto found = rooms_.find(MeetCodeNumber(m.code));
    if (found == rooms_.end()) {
        MayGuess(now, from, true);
        Refuse(from, m.nonce, MeetError::UnknownCode, out);
        return;
    }
    Room& room = found->second;
    if (room.stage != Stage::Waiting) {
        if (room.joiner.address == from && room.joiner.nonce == m.nonce) {
            // Its answer was lost: the same answer again.
            MeetMessage answer = PeerFor(room, room.joiner, room.host);
            if (room.stage == Stage::Relaying && !room.joiner.toldRelay) {
                answer = MeetMessage{};
                answer.kind = MeetKind::Relaying;
                answer.nonce = m.nonce;
                answer.code = m.code;
            }
            out->push_back({AddressOf(from), EncodeMeet(answer)});
            ++counts_.answers;
        } else {
            MayGuess(now, from, true);
            Refuse(from, m.nonce, MeetError::RoomFull, out);
        }
        return;
    }
    const auto at = byEndpoint_.find(from);
    if (at != byEndpoint_.end()) {
        Room& held = rooms_.at(at->second);
        if (held.code == room.code || held.stage != Stage::Waiting) {
            Refuse(from, m.nonce, MeetError::RoomFull, out);
            return;
        }
        Close(now, &held, "host joined another room");
    }
    room.stage = Stage::Joined;
    room.joinedAt = now;
    room.joiner.address = from;
    room.joiner.nonce = m.nonce;
    room.joiner.toldPeer = true;  // it asked; it asks again when the answer is lost
    std::copy(std::begin(m.locals), std::end(m.locals), std::begin(room.joiner.locals));
    byEndpoint_[from] = room.code;
    out->push_back({AddressOf(from), EncodeMeet(PeerFor(room, room.joiner, room.host))});
    ++counts_.answers;
    Notify(now, &room, out, true);
}

void MeetServer::Relay(uint64_t now, const Endpoint& from, const uint8_t* data, size_t size,
                       std::vector<Send>* out) {
    const auto at = byEndpoint_.find(from);
    if (at == byEndpoint_.end()) {
        ++counts_.dropped;
        return;
    }
    Room& room = rooms_.at(at->second);
    if (room.stage != Stage::Relaying || size == 0 || size > kMeetMaxRelayed) {
        ++counts_.dropped;
        return;
    }
    Side& side = room.host.address == from ? room.host : room.joiner;
    const Side& other = &side == &room.host ? room.joiner : room.host;
    side.toldRelay = true;
    // Each side may send half the room's rate, with a quarter of a second's
    // worth (at least two of the largest datagrams) at once.
    const uint64_t perSecond = uint64_t{limits_.relayKbps} * 1000 / 8 / 2;
    const uint64_t most = std::max<uint64_t>(perSecond / 4, 2 * kMeetMaxRelayed) * 1000;
    const uint64_t gained = (now - side.filledAt) * perSecond;  // in thousandths of a byte
    side.tokens = side.tokens > most - std::min(most, gained) ? most : side.tokens + gained;
    side.filledAt = now;
    if (side.tokens < size * 1000) {
        ++counts_.overRate;
        return;
    }
    side.tokens -= size * 1000;
    side.relayedBytes += size;
    room.relayedAt = now;
    ++counts_.relayed;
    counts_.relayedBytes += size;
    out->push_back({AddressOf(other.address), std::vector<uint8_t>(data, data + size)});
}

MeetServer::Room* MeetServer::Find(const Endpoint& from, uint64_t nonce, const std::string& code, Side** side) {
    const auto found = rooms_.find(MeetCodeNumber(code));
    if (found == rooms_.end()) return nullptr;
    Room& room = found->second;
    if (room.host.address == from && room.host.nonce == nonce) {
        *side = &room.host;
        return &room;
    }
    if (room.stage != Stage::Waiting && room.joiner.address == from && room.joiner.nonce == nonce) {
        *side = &room.joiner;
        return &room;
    }
    return nullptr;
}

bool MeetServer::MayAnswer(uint64_t now, const Endpoint& to) {
    auto it = sources_.find(to);
    if (it == sources_.end()) {
        if (sources_.size() >= limits_.maxSources) {
            Reached(now, kSourceLimit, "source limit reached: " + std::to_string(sources_.size()) +
                                           " addresses asked within a second; others wait");
            return false;
        }
        it = sources_.emplace(to, Window{}).first;
    }
    // At most kAnswersPerSecond in any second: the oldest of the latest few must be a second old.
    Window& w = it->second;
    const uint32_t t = static_cast<uint32_t>(now);
    if (w.count == kAnswersPerSecond) {
        if (t - w.sent[0] < 1000u) return false;
        std::copy(w.sent + 1, w.sent + w.count, w.sent);
        --w.count;
    }
    w.sent[w.count++] = t;
    return true;
}

bool MeetServer::MayGuess(uint64_t now, const Endpoint& from, bool refused) {
    Endpoint ip = from;
    ip.port = 0;
    if (ip.family == 6) std::fill(ip.ip + 8, ip.ip + 16, 0);  // one household's /64
    const uint64_t most = uint64_t{kGuesses} * 1000;
    auto it = guesses_.find(ip);
    if (it == guesses_.end()) {
        if (!refused) return true;
        // More addresses than counted at once guess freely: they could guess as fast from new ones.
        if (guesses_.size() >= limits_.maxSources) return true;
        it = guesses_.emplace(ip, Guesses{most, now}).first;
    }
    Guesses& g = it->second;
    g.left = std::min(most, g.left + (now - g.at) * 1000 / kGuessEveryMs);
    g.at = now;
    if (g.left < 1000) {
        Reached(now, kGuessLimit, "join limit reached: " + AddressText(ip) +
                                      " had too many codes refused; its joins are ignored for a while");
        return false;
    }
    if (refused) g.left -= 1000;
    return true;
}

void MeetServer::Refuse(const Endpoint& to, uint64_t nonce, MeetError why, std::vector<Send>* out) {
    MeetMessage m;
    m.kind = MeetKind::Error;
    m.nonce = nonce;
    m.detail = static_cast<uint8_t>(why);
    out->push_back({AddressOf(to), EncodeMeet(m)});
    ++counts_.answers;
}

MeetMessage MeetServer::PeerFor(const Room& room, const Side& to, const Side& other) const {
    MeetMessage m;
    m.kind = MeetKind::Peer;
    m.nonce = to.nonce;
    m.code = MeetCodeText(room.code);
    m.key = room.key;
    m.seen = other.address;
    // IPv6 addresses only to a side that has IPv6 itself.
    const bool six = HasIpv6(to.address, to.locals);
    size_t n = 0;
    for (const Endpoint& e : other.locals) {
        if (e.Valid() && (e.family == 4 || six)) m.locals[n++] = e;
    }
    return m;
}

void MeetServer::Notify(uint64_t now, Room* room, std::vector<Send>* out, bool start) {
    bool pending = false;
    auto tell = [&](Side& side, const MeetMessage& m) {
        pending = true;
        if (!MayAnswer(now, side.address)) return;
        out->push_back({AddressOf(side.address), EncodeMeet(m)});
        ++counts_.answers;
    };
    if (room->stage != Stage::Waiting && !room->host.toldPeer) {
        tell(room->host, PeerFor(*room, room->host, room->joiner));
    }
    if (room->stage == Stage::Relaying) {
        for (Side* side : {&room->host, &room->joiner}) {
            if (side->toldRelay) continue;
            MeetMessage m;
            m.kind = MeetKind::Relaying;
            m.nonce = side->nonce;
            m.code = MeetCodeText(room->code);
            tell(*side, m);
        }
    }
    if (start) {
        if (room->noticesLeft == 0 && pending) noticing_.push_back(room->code);
        room->noticesLeft = kNotices - 1;
    } else {
        --room->noticesLeft;
    }
    if (!pending) room->noticesLeft = 0;
    room->noticeAt = now + kNoticeEveryMs;
}

void MeetServer::Tick(uint64_t now, std::vector<Send>* out) {
    if (now - sweptAt_ >= 1000) {
        sweptAt_ = now;
        std::vector<std::pair<uint32_t, const char*>> over;
        const uint64_t wait = uint64_t{limits_.codeSeconds} * 1000;
        for (const auto& [code, room] : rooms_) {
            if (room.stage == Stage::Waiting) {
                if (now - room.openedAt >= wait) {
                    over.push_back({code, "code expired unused"});
                } else if (now - room.heardAt >= kHostSilentMs) {
                    over.push_back({code, "host gone"});
                }
            } else if (room.stage == Stage::Joined && now - room.joinedAt >= kMeetingMs) {
                over.push_back({code, room.host.met || room.joiner.met ? "met directly" : "no relay asked"});
            } else if (room.stage == Stage::Relaying && now - room.relayedAt >= kRelayIdleMs) {
                over.push_back({code, "relay idle"});
            }
        }
        for (const auto& [code, why] : over) Close(now, &rooms_.at(code), why);
        for (auto it = guesses_.begin(); it != guesses_.end();) {
            const bool whole = it->second.left + (now - it->second.at) * 1000 / kGuessEveryMs >= kGuesses * 1000ull;
            it = whole ? guesses_.erase(it) : std::next(it);
        }
        for (auto it = sources_.begin(); it != sources_.end();) {
            const Window& w = it->second;
            it = w.count == 0 || static_cast<uint32_t>(now) - w.sent[w.count - 1] >= 1000u ? sources_.erase(it)
                                                                                           : std::next(it);
        }
    }
    // Rooms whose notices are still unacknowledged.
    size_t kept = 0;
    for (uint32_t code : noticing_) {
        const auto found = rooms_.find(code);
        if (found == rooms_.end()) continue;
        Room& room = found->second;
        if (room.noticesLeft > 0 && now >= room.noticeAt) Notify(now, &room, out, false);
        if (room.noticesLeft > 0) noticing_[kept++] = code;
    }
    noticing_.resize(kept);
}

void MeetServer::CloseAll(uint64_t now, const char* why) {
    std::vector<uint32_t> codes;
    for (const auto& entry : rooms_) codes.push_back(entry.first);
    for (uint32_t code : codes) Close(now, &rooms_.at(code), why);
}

void MeetServer::Close(uint64_t now, Room* room, const char* why) {
    const uint32_t code = room->code;
    const uint64_t relayed = room->host.relayedBytes + room->joiner.relayedBytes;
    const char* path = room->stage == Stage::Relaying ? "relay"
                       : room->host.met || room->joiner.met ? "direct"
                                                           : "not met";
    const std::string joiner = room->stage == Stage::Waiting ? "none" : room->joiner.address.Text();
    if (now - lineWindow_ >= 1000) {
        lineWindow_ = now;
        linesInWindow_ = 0;
    }
    if (linesInWindow_ < kRoomLinesPerSecond) {
        ++linesInWindow_;
        char line[512];
        char left[64] = "";
        if (linesLeftOut_ > 0) {
            std::snprintf(left, sizeof left, " (%" PRIu64 " room lines left out before)", linesLeftOut_);
        }
        std::snprintf(line, sizeof line, "room %s closed (%s): host %s, joiner %s, %s, %" PRIu64
                      " bytes relayed, open %" PRIu64 " s%s",
                      MeetCodeText(code).c_str(), why, room->host.address.Text().c_str(), joiner.c_str(),
                      path, relayed, (now - room->openedAt) / 1000, left);
        linesLeftOut_ = 0;
        if (log_) log_(line);
    } else {
        ++linesLeftOut_;
    }
    for (const Endpoint* e : {&room->host.address, &room->joiner.address}) {
        const auto at = byEndpoint_.find(*e);
        if (at != byEndpoint_.end() && at->second == code) byEndpoint_.erase(at);
    }
    Endpoint ip = room->host.address;
    ip.port = 0;
    const auto hosted = perAddress_.find(ip);
    if (hosted != perAddress_.end() && --hosted->second == 0) perAddress_.erase(hosted);
    if (room->stage == Stage::Relaying) --relays_;
    rooms_.erase(code);
}

void MeetServer::Reached(uint64_t now, Limit limit, const std::string& line) {
    if (reachedEver_[limit] && now - reachedAt_[limit] < kLimitLineEveryMs) return;
    reachedEver_[limit] = true;
    reachedAt_[limit] = now;
    if (log_) log_(line);
}

uint32_t MeetServer::NewCode() {
    const uint32_t space = CodeSpace(kMeetCodeLength);
    const uint32_t rest = CodeSpace(kMeetCodeLength - 1);
    for (;;) {
        const uint64_t r = random_();
        const uint32_t code =
            limits_.codeFirst
                ? static_cast<uint32_t>(std::strchr(kMeetAlphabet, limits_.codeFirst) - kMeetAlphabet) * rest +
                      static_cast<uint32_t>(r % rest)
                : static_cast<uint32_t>(r % space);
        if (rooms_.find(code) == rooms_.end()) return code;
    }
}
