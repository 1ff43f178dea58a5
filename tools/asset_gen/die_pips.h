// Where the pips of each die face sit: a 3 x 3 grid at a quarter, half and
// three quarters of the face. Shared by the art generator, which draws them,
// and the art test, which finds them in the pictures.
#pragma once

// The pips of face 1 to 6 as (column, row) on the grid.
constexpr int kDiePips[7][6][2] = {
    {},
    {{1, 1}},
    {{0, 0}, {2, 2}},
    {{0, 0}, {1, 1}, {2, 2}},
    {{0, 0}, {2, 0}, {0, 2}, {2, 2}},
    {{0, 0}, {2, 0}, {1, 1}, {0, 2}, {2, 2}},
    {{0, 0}, {0, 1}, {0, 2}, {2, 0}, {2, 1}, {2, 2}},
};

// The centre of grid column or row `cell` (0 to 2) on a face `size` pixels wide.
constexpr float DiePipCentre(int size, int cell) { return size * (0.25f + 0.25f * cell); }
