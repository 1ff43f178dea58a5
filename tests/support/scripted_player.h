// The scripted player of headless runs is the game's own autopilot aim (the
// golden round, the soak, the screenshots): see app/Autopilot.h.
#pragma once

#include "app/Autopilot.h"
