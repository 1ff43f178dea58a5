// Where a label's face is found: the file and face index for a family name
// and weight. On the desktop fontconfig answers (platform/font_lookup.cpp);
// in the browser the faces shipped with the page do (platform/web_font_lookup.cpp).
// Only the platform layer's font code uses it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

// The requested face when it is there, else IPAPGothic (the proportional
// Gothic that stands in for it), else any Japanese sans face, else a Latin one
// (said once on standard error). {"", 0} when there is no face at all.
std::pair<std::string, int> FindFontFace(const std::string& familyUtf8, uint32_t weight);
