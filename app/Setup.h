// The first scene of the program.
#pragma once

#include "scene/cSequence.h"

// A new board at difficulty 1; null if it cannot be allocated.
cSequence* CreateFirstScene();
