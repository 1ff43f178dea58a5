// Takes the README's pictures from the game itself: a scripted player plays a
// round at difficulty 1 headless, and the game's own frame pass is read back
// mid-round and on the result screen.
//   capture_screens OUTDIR   (run from the build folder, where Graphic/ and Sound/ are)
#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Play.h"
#include "app/WinMain.h"
#include "graphics/Graphics.h"
#include "platform/render.h"
#include "platform/window.h"
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
    if (!StartHeadlessGame("KaziroScreens", &error)) {
        std::fprintf(stderr, "capture_screens: %s\n", error.c_str());
        return 1;
    }
    SeedPlay(20261208u, 1);
    ShowFirstScene();
    GameState& game = PlayedGame();
    PlayerControls records[kMaxPlayers];
    bool midRound = false;
    for (int step = 1; step < 20000; ++step) {
        // The scripted player's hands made into player 1's record, as a
        // one-player game does with the mouse.
        records[0] = MouseRecord(AimAtFallingDie(game.board), records[0]);
        StepPlay(records);
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
            ResetPlay();
            return midRound ? 0 : 1;
        }
        ShowFrame();
    }
    std::fprintf(stderr, "capture_screens: the round did not end\n");
    return 1;
}
