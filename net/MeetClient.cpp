#include "net/MeetClient.h"

#include <algorithm>

MeetClient::MeetClient(const NetAddress& server, const std::vector<NetAddress>& locals, uint64_t nonce)
    : server_(server), nonce_(nonce) {
    size_t n = 0;
    for (const NetAddress& a : locals) {
        const Endpoint e = EndpointOf(a);
        if (e.Valid() && n < kMeetLocals) locals_[n++] = e;
    }
}

void MeetClient::Open(uint64_t now) {
    host_ = true;
    stage_ = Stage::Opening;
    startedAt_ = now;
    sentAt_ = now - kRepeatMs;  // at once
}

void MeetClient::Join(const std::string& typed, uint64_t now) {
    host_ = false;
    code_ = NormalizeMeetCode(typed);
    if (code_.empty()) {
        Fail("\"" + typed + "\" is not a room code: 6 characters of 2-9 and A-Z without I, L and O");
        return;
    }
    stage_ = Stage::Joining;
    startedAt_ = now;
    sentAt_ = now - kRepeatMs;
}

void MeetClient::Request(MeetKind kind, std::vector<Send>* out, uint8_t detail) {
    MeetMessage m;
    m.kind = kind;
    m.nonce = nonce_;
    m.code = code_;
    m.detail = detail;
    if (kind == MeetKind::Open || kind == MeetKind::Join) std::copy(std::begin(locals_), std::end(locals_), m.locals);
    out->push_back({server_, EncodeMeet(m), false});
}

void MeetClient::Fail(const std::string& why) {
    stage_ = Stage::Failed;
    why_ = why;
}

bool MeetClient::TimeToRelay(uint64_t now) const {
    return stage_ == Stage::Punching && now - startedAt_ >= kPunchMs;
}

void MeetClient::Poll(uint64_t now, std::vector<Send>* out) {
    switch (stage_) {
        case Stage::Opening:
        case Stage::Joining:
            if (now - startedAt_ >= kServerSilentMs) {
                Fail("the meeting server at " + server_.Text() + " did not answer within " +
                     std::to_string(kServerSilentMs / 1000) + " s");
            } else if (now - sentAt_ >= kRepeatMs) {
                Request(stage_ == Stage::Opening ? MeetKind::Open : MeetKind::Join, out);
                sentAt_ = now;
            }
            return;
        case Stage::Waiting: {
            // A KEEP whose answer was lost is asked again sooner.
            const uint64_t every = now - heardAt_ > kKeepMs + 2 * kRepeatMs ? kRepeatMs : kKeepMs;
            if (now - heardAt_ >= kServerSilentMs + kKeepMs) {
                Fail("the meeting server at " + server_.Text() + " stopped answering");
            } else if (now - sentAt_ >= every) {
                Request(MeetKind::Keep, out);
                sentAt_ = now;
            }
            return;
        }
        case Stage::Punching:
            if (relayAsked_) {
                if (now - relayAskedAt_ >= kServerSilentMs) {
                    Fail("no candidate answered and the meeting server did not relay");
                } else if (now - sentAt_ >= kRepeatMs) {
                    Request(MeetKind::Relay, out);
                    sentAt_ = now;
                }
            } else if (TimeToRelay(now)) {
                relayAsked_ = true;
                relayAskedAt_ = sentAt_ = now;
                Request(MeetKind::Relay, out);
            } else if (now - probedAt_ >= kProbeMs) {
                probedAt_ = now;
                for (const NetAddress& c : candidates_) out->push_back({c, {}, true});
            }
            return;
        default:
            return;
    }
}

bool MeetClient::Receive(uint64_t now, const NetAddress& from, const uint8_t* data, size_t size,
                         std::vector<Send>* out) {
    if (from != server_ || !IsMeetDatagram(data, size)) return false;
    MeetMessage m;
    if (!ParseMeet(data, size, &m) || m.nonce != nonce_) return true;
    heardAt_ = now;
    const bool asking = stage_ == Stage::Opening || stage_ == Stage::Joining || stage_ == Stage::Waiting ||
                        stage_ == Stage::Punching;
    switch (m.kind) {
        case MeetKind::Opened:
            if (stage_ == Stage::Opening) {
                code_ = m.code;
                seen_ = AddressOf(m.seen);
                stage_ = Stage::Waiting;
                sentAt_ = now;
            }
            break;
        case MeetKind::Peer:
            if (m.code != code_) break;
            if (stage_ == Stage::Waiting || stage_ == Stage::Joining) {
                key_ = m.key;
                candidates_.clear();
                auto add = [this](const Endpoint& e) {
                    if (!e.Valid()) return;
                    // One of this machine's own addresses is this socket, not the partner.
                    if (std::find(std::begin(locals_), std::end(locals_), e) != std::end(locals_)) return;
                    const NetAddress a = AddressOf(e);
                    if (std::find(candidates_.begin(), candidates_.end(), a) == candidates_.end()) {
                        candidates_.push_back(a);
                    }
                };
                add(m.seen);
                for (const Endpoint& e : m.locals) add(e);
                stage_ = Stage::Punching;
                startedAt_ = now;
                probedAt_ = now - kProbeMs;
            }
            Request(MeetKind::Seen, out, static_cast<uint8_t>(MeetKind::Peer));
            break;
        case MeetKind::Relaying:
            if (m.code != code_) break;
            if (stage_ == Stage::Punching || stage_ == Stage::Direct) {
                stage_ = Stage::Relayed;
                partner_ = server_;
            }
            Request(MeetKind::Seen, out, static_cast<uint8_t>(MeetKind::Relaying));
            break;
        case MeetKind::Error:
            if (!asking) break;
            refusal_ = static_cast<MeetError>(m.detail);
            switch (refusal_) {
                case MeetError::UnknownCode:
                    Fail(stage_ == Stage::Joining ? "no room has the code " + code_ +
                                                        " (mistyped, or it expired: a code waits 10 minutes)"
                                                  : "the meeting server no longer holds room " + code_);
                    break;
                case MeetError::RoomFull:
                    // To an OPEN: this address and port still play in a room
                    // (a relayed room closes 30 s after its last datagram).
                    Fail(stage_ == Stage::Opening
                             ? "the meeting server still holds a room played from this port"
                             : "room " + code_ + " already has its two players (a code is used once)");
                    break;
                case MeetError::ServerFull:
                    Fail("the meeting server is full; try again later");
                    break;
                case MeetError::OtherProtocol:
                    Fail("the meeting server runs another version of the meeting protocol");
                    break;
            }
            break;
        default:
            break;
    }
    return true;
}

void MeetClient::Probed(const NetAddress& from) {
    if (stage_ != Stage::Punching || std::find(candidates_.begin(), candidates_.end(), from) != candidates_.end()) {
        return;
    }
    candidates_.push_back(from);
}

void MeetClient::Answered(uint64_t, const NetAddress& from, std::vector<Send>* out) {
    if (stage_ != Stage::Punching || relayAsked_) return;
    stage_ = Stage::Direct;
    partner_ = from;
    Request(MeetKind::Done, out);
}
