// The play field: 800 x 600 pixels, x to the right and y down. The rules
// measure everything in it (slot lines, rows, the bottom edge, where a die
// starts); the picture may be scaled, the field never is.
#pragma once

#include <cstdint>

constexpr uint32_t kFieldWidth = 800;
constexpr uint32_t kFieldHeight = 600;
