// Text encoding: the game keeps its texts as Shift_JIS (code page 932) bytes
// and converts them only where they are drawn or shown.
#pragma once

#include <string>
#include <string_view>

// Converts Shift_JIS (CP932) to UTF-8. Returns false on an invalid or
// incomplete sequence; *out then holds the text up to it followed by U+FFFD.
bool SjisToUtf8(std::string_view sjis, std::string* out);
// The same, for callers that only want the best-effort text.
std::string SjisToUtf8(std::string_view sjis);
// Converts UTF-8 to Shift_JIS (CP932); false when a character has no CP932 form.
bool Utf8ToSjis(std::string_view utf8, std::string* out);
// Cuts UTF-8 text, on a character boundary, where its Shift_JIS form would
// pass `bytes` bytes: one byte for ASCII and half-width katakana, two for
// every other character.
std::string CutToShiftJisWidth(std::string_view utf8, size_t bytes);
