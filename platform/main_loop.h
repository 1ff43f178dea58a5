// Who runs the main loop. On the desktop the program does, pass after pass,
// until the game ends. In a browser page a program may not keep the thread:
// the page's animation frames run the passes instead, as many in each frame
// as the game's clock has steps due, and the end comes in the frame that
// takes the last pass. The game's loop is written once, one pass at a time,
// and handed over here.
#pragma once

#include <functional>

// How one pass of the loop went.
enum class LoopPass {
    Worked,  // it took a step or handled a message: another may be due at once
    Idle,    // nothing was due (it has waited a moment, where waiting is possible)
    Ended,   // the game has ended; the status is set
};

struct LoopParts {
    // One pass; on Ended *status holds the exit status.
    std::function<LoopPass(int* status)> pass;
    // After the last pass: puts things away, returns the program's exit status.
    std::function<int(int status)> finish;
    // Saves what the player would lose if the program were killed now. The
    // browser calls it now and then and when the page is hidden (it may be
    // closed without the game ever ending); the desktop never needs it.
    std::function<void()> keep;
};

// Runs the loop. On the desktop it returns finish's status when the game has
// ended. In the browser it never returns: the page's frames take over, and the
// program exits with finish's status from the last of them.
int RunLoop(const LoopParts& parts);
