// Takes the README's pictures from the game itself: a scripted player plays a
// round at difficulty 1 headless, and the game's own frame pass is read back
// mid-round and on the result screen. Then four players on one machine, the
// mouse and three pads in the tests' hands: mid-round while player 2 holds
// Back to choose a difficulty, and paused when player 3's pad is pulled out.
//   capture_screens OUTDIR   (run from the build folder, where Graphic/ and Sound/ are)
#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/Play.h"
#include "app/WinMain.h"
#include "graphics/Graphics.h"
#include "platform/render.h"
#include "platform/window.h"
#include "tests/support/fake_pads.h"
#include "tests/support/headless_game.h"
#include "tests/support/scripted_player.h"

namespace {

bool Save(const std::string& path) {
    std::vector<uint32_t> argb;
    int w = 0, h = 0;
    if (!ReadFramePixels(&argb, &w, &h)) return false;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(argb.data(), w, h, 32, w * 4,
                                                        SDL_PIXELFORMAT_ARGB8888);
    if (!s) return false;
    const bool ok = IMG_SavePNG(s, path.c_str()) == 0;
    SDL_FreeSurface(s);
    return ok;
}

// The scripted player's hands on the mouse.
void AimWithTheMouse(FakeDevices& hands, const PlayerHands& aim) {
    if (aim.move) {
        hands.cursorX = static_cast<int>(aim.x);
        hands.cursorY = static_cast<int>(aim.y);
    }
    input.rawMouse.left = aim.left;
    input.rawMouse.right = aim.right;
}

// Four players: player 1 aims with the mouse, the pads hold their paddles
// low in the field, turned this way and that.
bool CaptureFourPlayers(std::unique_ptr<cPlay>& owner, const std::string& out, FakeDevices& hands) {
    owner = std::make_unique<cPlay>();
    cPlay& play = *owner;
    play.Seed(20261209u, 4);
    AppOptions four;
    four.players = 4;
    if (!play.Start(four)) return false;
    play.ShowFirstScene();
    GameState& game = play.Game();
    // Where each pad steers its paddle to.
    const float goals[3][2] = {{230.0f, 470.0f}, {420.0f, 520.0f}, {600.0f, 440.0f}};
    for (int step = 1; step < 3000; ++step) {
        AimWithTheMouse(hands, AimAtFallingDie(game.board));
        for (int p = 1; p < kMaxPlayers; ++p) {
            JoyState2& pad = hands.pads[static_cast<size_t>(p - 1)].state;
            const cPaddle& paddle = game.board.paddles[p];
            const float dx = goals[p - 1][0] - paddle.x, dy = goals[p - 1][1] - paddle.y;
            pad.x = dx > 4.0f ? kAxisMax : (dx < -4.0f ? 0 : kAxisMax / 2);
            pad.y = dy > 4.0f ? kAxisMax : (dy < -4.0f ? 0 : kAxisMax / 2);
            pad.buttons[PAD_R1] = step < 10 * p ? 0x80 : 0;
        }
        hands.pads[0].state.buttons[PAD_SELECT] = step >= 590 ? 0x80 : 0;  // player 2 chooses
        hands.pads[0].state.pov[0] = step == 595 || step == 600 ? 9000u : 0xFFFFFFFFu;
        if (step == 640) hands.Leave(1);  // player 3's pad is pulled out
        input.Refresh();
        int status = 0;
        bool paused = false;
        if (play.Step(&paused, &status) != StepEnd::Going) return false;
        DrawFrame();
        if (step == 620 && !Save(out + "/screen-four.png")) return false;
        if (step == 660) {
            if (!paused || !Save(out + "/screen-pad-left.png")) return false;
            return true;
        }
        ShowFrame();
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1];
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    std::string error;
    static FakeDevices hands;  // pads attached from the start, the mouse and the keys
    hands.pads.resize(3);
    for (FakePadData& pad : hands.pads) pad.Rest();
    hands.focus = false;
    auto owner = std::make_unique<cPlay>();
    cPlay& play = *owner;
    if (!StartHeadlessGame(play, "KaziroScreens", &error, &hands)) {
        std::fprintf(stderr, "capture_screens: %s\n", error.c_str());
        return 1;
    }
    play.Seed(20261208u, 1);
    play.ShowFirstScene();
    GameState& game = play.Game();
    bool midRound = false;
    for (int step = 1; step < 20000; ++step) {
        AimWithTheMouse(hands, AimAtFallingDie(game.board));
        input.Refresh();
        bool paused = false;
        int status = 0;
        if (play.Step(&paused, &status) != StepEnd::Going) return 1;
        DrawFrame();
        const cSQMain& board = game.board;
        if (game.scene == static_cast<int32_t>(SceneKind::Board) && !midRound &&
            board.counts[0] + board.counts[1] >= 3 && board.diceCount >= 3) {
            if (!Save(out + "/screen-round.png")) return 1;
            midRound = true;
        }
        if (game.scene == static_cast<int32_t>(SceneKind::Result)) {
            if (!Save(out + "/screen-result.png")) return 1;
            std::printf("captured at step %d\n", step);
            ShowFrame();
            if (!midRound || !CaptureFourPlayers(owner, out, hands)) {
                std::fprintf(stderr, "capture_screens: the four players' pictures failed\n");
                return 1;
            }
            owner.reset();
            input.Shutdown();
            return 0;
        }
        ShowFrame();
    }
    std::fprintf(stderr, "capture_screens: the round did not end\n");
    return 1;
}
