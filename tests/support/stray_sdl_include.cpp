// A game source that reaches past the platform layer for SDL. Built with the
// game library's flags it must not compile (see tests/CMakeLists.txt).
#include <SDL.h>

int StraySdlProbe() { return SDL_INIT_VIDEO; }
