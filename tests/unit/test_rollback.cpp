// Rollback between two machines, without sockets: each machine steps its
// own player's records at once and predicts the other's; records cross a
// line that holds them a few steps, loses some and delivers the rest in
// bursts, so predictions are wrong all the time. Every confirmed step must
// carry the same state on both machines, and the same as the game stepped
// straight on the real records; the local paddle is under the local cursor
// in the step the cursor was sampled.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>
#include <random>
#include <thread>
#include <chrono>

#include "app/Autopilot.h"
#include "net/cNetPlay.h"
#include "net/SessionParts.h"
#include "net/cRollback.h"
#include "support/free_port.h"
#include "support/game_fixture.h"

namespace {

struct Machine {
    explicit Machine(int player) : player(player), pilot(100u + player) {}
    int player;
    cAutopilot pilot;
    std::unique_ptr<GameState> game = std::make_unique<GameState>();
    cRollback rollback;
    uint32_t sentUpTo = 0;
};

// A datagram in flight: records from `first`, due at a step.
struct InFlight {
    uint32_t due;
    uint32_t first;
    std::vector<PlayerControls> records;
};

// Hands machine m the records that arrived by `frame`.
void Deliver(Machine& m, std::deque<InFlight>& toward, uint32_t frame) {
    while (!toward.empty() && toward.front().due <= frame) {
        const InFlight& d = toward.front();
        for (size_t i = 0; i < d.records.size(); ++i) {
            m.rollback.AddRemote(d.first + static_cast<uint32_t>(i), d.records[i]);
        }
        toward.pop_front();
    }
}

// Sends every record of m the other does not hold yet, due at `due`, unless
// `lost`; delivered in order: a datagram does not overtake the one before.
void Send(const Machine& m, const Machine& other, std::deque<InFlight>& toward, uint32_t due, bool lost) {
    InFlight d{due, other.rollback.RemoteHeld(), {}};
    for (uint32_t s = d.first; s < m.rollback.LocalMade(); ++s) d.records.push_back(m.rollback.Local(s));
    if (lost) return;
    if (!toward.empty()) d.due = std::max(d.due, toward.back().due);
    toward.push_back(d);
}

}  // namespace

TEST(Rollback, BothMachinesConfirmTheGameSteppedStraightOnTheRealRecords) {
    for (uint32_t delay : {0u, 2u}) {
        Machine machines[2] = {Machine(0), Machine(1)};
        for (Machine& m : machines) {
            *m.game = BoardGame(2, 4242u, 2);
            m.rollback.Start(m.game.get(), m.player, delay);
        }
        std::mt19937 line(9u);
        std::deque<InFlight> toward[2];  // toward[i]: datagrams on their way to machine i
        StepEvents events;
        // What each machine confirmed, step by step: the records and the checksum after.
        std::vector<std::vector<PlayerControls>> records[2];
        std::vector<uint32_t> checksums[2];
        for (uint32_t frame = 0; frame < 3000; ++frame) {
            for (Machine& m : machines) {
                Machine& other = machines[1 - m.player];
                // What arrived; every record not yet held is sent each frame,
                // so a lost datagram costs only the wait for the next.
                Deliver(m, toward[m.player], frame);
                if (m.rollback.CanAdvance()) {
                    const PlayerControls local = m.pilot.Record(*m.game, m.player);
                    m.rollback.Advance(local, &events);
                    if (delay == 0) {
                        // Under the cursor in the step it was sampled.
                        ASSERT_EQ(m.game->board.paddles[m.player].x, local.x);
                        ASSERT_EQ(m.game->board.paddles[m.player].y, local.y);
                    }
                } else {
                    m.rollback.CatchUp();
                }
                while (checksums[m.player].size() < m.rollback.Confirmed()) {
                    const uint32_t step = static_cast<uint32_t>(checksums[m.player].size());
                    std::vector<PlayerControls> both(kMaxPlayers);
                    uint32_t checksum = 0;
                    ASSERT_TRUE(m.rollback.RecordsOf(step, both.data()));
                    ASSERT_TRUE(m.rollback.ChecksumAfter(step, &checksum));
                    records[m.player].push_back(both);
                    checksums[m.player].push_back(checksum);
                }
                const uint32_t due = frame + 3 + static_cast<uint32_t>(line() % 6);
                Send(m, other, toward[other.player], due, line() % 100 < 10);  // 10 % lost
            }
        }
        const cRollback& a = machines[0].rollback;
        const cRollback& b = machines[1].rollback;
        EXPECT_GT(a.rollbacks + b.rollbacks, 500u) << "predictions should be wrong often";
        EXPECT_LE(std::max(a.deepest, b.deepest), cRollback::kDefaultPrediction);
        const size_t confirmed = std::min(checksums[0].size(), checksums[1].size());
        ASSERT_GT(confirmed, 2500u);

        // Both machines confirmed the same steps, and they are the game
        // stepped straight on those records.
        auto straight = std::make_unique<GameState>(BoardGame(2, 4242u, 2));
        for (size_t step = 0; step < confirmed; ++step) {
            ASSERT_EQ(std::memcmp(records[0][step].data(), records[1][step].data(),
                                  sizeof(PlayerControls) * kMaxPlayers), 0) << "step " << step;
            StepGame(*straight, records[0][step].data(), events);
            ASSERT_EQ(checksums[0][step], StateChecksum(*straight)) << "delay " << delay << ", step " << step;
            ASSERT_EQ(checksums[1][step], checksums[0][step]) << "delay " << delay << ", step " << step;
        }
    }
}

// A long line: records take 7 to 10 frames each way (a round trip of about
// 270 ms, ±25). With the default window both machines keep waiting for the
// other's records; with the window sized from the round trip they step every
// frame. The two machines' windows differ (only waiting depends on them), and
// they confirm the same game either way.
TEST(Rollback, AWindowSizedFromTheRoundTripKeepsALongLineFromWaiting) {
    const uint32_t roundTripMs = 2 * 8 * 16 + 16;
    for (bool sized : {false, true}) {
        Machine machines[2] = {Machine(0), Machine(1)};
        for (Machine& m : machines) {
            *m.game = BoardGame(2, 77u, 2);
            m.rollback.Start(m.game.get(), m.player, 0);
        }
        if (sized) {
            machines[0].rollback.SetPredictionWindow(PredictionWindowFor(roundTripMs));
            machines[1].rollback.SetPredictionWindow(PredictionWindowFor(roundTripMs) + 3);
        }
        std::mt19937 line(4u);
        std::deque<InFlight> toward[2];
        StepEvents events;
        int waits = 0;
        for (uint32_t frame = 0; frame < 1500; ++frame) {
            for (Machine& m : machines) {
                Deliver(m, toward[m.player], frame);
                if (m.rollback.CanAdvance()) {
                    m.rollback.Advance(m.pilot.Record(*m.game, m.player), &events);
                } else {
                    m.rollback.CatchUp();
                    waits += frame > 100;  // after the first records crossed
                }
                const uint32_t due = frame + 7 + static_cast<uint32_t>(line() % 4);
                Send(m, machines[1 - m.player], toward[1 - m.player], due, line() % 100 == 0);  // 1 % lost
            }
        }
        EXPECT_EQ(waits == 0, sized) << waits << " frames waited";
        const cRollback& a = machines[0].rollback;
        const cRollback& b = machines[1].rollback;
        const uint32_t last = std::min(a.Confirmed(), b.Confirmed()) - 1;
        ASSERT_GT(last, 1000u);
        uint32_t historyA = 0, historyB = 1;
        ASSERT_TRUE(a.HistoryAfter(last, &historyA) && b.HistoryAfter(last, &historyB));
        EXPECT_EQ(historyA, historyB) << "sized " << sized;
        EXPECT_LE(std::max(a.deepest, b.deepest), sized ? PredictionWindowFor(roundTripMs) + 3
                                                        : cRollback::kDefaultPrediction);
    }
}

// Two sessions on loopback. The joiner falls silent, so the host stalls once
// its predictions reach their limit; a click made in a frame that took no
// step must still reach the game, in the next step the host takes.
TEST(NetPlay, APressMadeWhileTheGameWaitsCountsInTheNextStepTaken) {
    NetSettings host;
    host.role = NetSettings::Role::Host;
    host.port = FreePort();
    host.upnp = false;
    NetSettings join = host;
    join.role = NetSettings::Role::Join;
    join.host = "127.0.0.1";
    cNetPlay hosting, joining;
    std::string hostError, joinError;
    testing::internal::CaptureStderr();
    std::thread waiting([&] { EXPECT_TRUE(hosting.Connect(host, {}, &hostError)) << hostError; });
    ASSERT_TRUE(joining.Connect(join, {}, &joinError)) << joinError;
    waiting.join();
    testing::internal::GetCapturedStderr();
    auto games = std::make_unique<GameState[]>(2);
    for (GameState* g : {&games[0], &games[1]}) {
        SeedGame(*g, hosting.Seed(), 2);
        CreateFirstScene(*g);
    }
    hosting.Begin(&games[0], StepGame);
    joining.Begin(&games[1], StepGame);

    StepEvents events;
    bool rolledBack = false;
    const auto frame = [&](cNetPlay& side, const PlayerControls& record) {
        const cNetSession::Frame f = side.Play(record, &events, &rolledBack, {});
        EXPECT_NE(f, cNetSession::Frame::Failed);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return f;
    };
    const PlayerControls rest = NeutralControls();
    PlayerControls click = rest;
    click.confirm = 1;
    // Both play until the host has taken a few steps.
    for (int i = 0; i < 400 && hosting.Next() < 20; ++i) {
        frame(hosting, rest);
        frame(joining, rest);
    }
    ASSERT_GE(hosting.Next(), 20u);
    // The joiner falls silent: the host runs out of prediction and waits.
    int waited = 0;
    for (int i = 0; i < 200 && waited < 3; ++i) {
        waited += frame(hosting, rest) == cNetSession::Frame::Waiting && hosting.stalls > 0;
    }
    ASSERT_EQ(waited, 3) << "the host should be stalled";
    const uint32_t clickedBefore = hosting.Next();
    EXPECT_EQ(frame(hosting, click), cNetSession::Frame::Waiting);  // the click's frame takes no step
    // The joiner comes back; both play on with nobody clicking.
    for (int i = 0; i < 600 && hosting.Confirmed() < clickedBefore + 30; ++i) {
        frame(joining, rest);
        frame(hosting, rest);
    }
    ASSERT_GE(hosting.Confirmed(), clickedBefore + 30);
    int clicks = 0;
    for (uint32_t step = 0; step < hosting.Confirmed(); ++step) {
        ConfirmedStep s;
        ASSERT_TRUE(hosting.ConfirmedStepAt(step, &s)) << step;
        if (s.records[0].confirm) {
            ++clicks;
            EXPECT_EQ(step, clickedBefore) << "the click belongs to the first step after it";
        }
    }
    EXPECT_EQ(clicks, 1);
}
