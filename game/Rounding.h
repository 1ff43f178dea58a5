// The gameplay's float rule: where a value is rounded to float it is stored to
// single precision right there, in every build and on every machine, so that
// two machines playing one game compute the same numbers bit for bit.
#pragma once

// Rounds to single precision. The volatile stores keep the optimiser from
// folding the rounding away or merging it with the arithmetic around it (GCC
// 12 at -O2 drops the rounding of a cosine computed together with a sine).
inline float RoundToFloat(double value) {
    volatile double wide = value;
    volatile float narrow = static_cast<float>(wide);
    return narrow;
}
