#include "app/Setup.h"

#include "game/cSQMain.h"

cSequence* CreateFirstScene() { return NewBoard(1); }
