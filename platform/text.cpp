#include "platform/text.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>

namespace {

// Converts with iconv; stops at the first invalid sequence. glibc's "CP932"
// is used rather than "SHIFT_JIS", which rejects or changes common characters.
bool Convert(const char* to, const char* from, std::string_view in, std::string* out) {
    out->clear();
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[256];
    bool ok = true;
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out->append(buffer, dst - buffer);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            ok = false;  // EILSEQ or EINVAL: not valid text
            break;
        }
    }
    iconv_close(cd);
    return ok;
}

#ifdef __EMSCRIPTEN__
// The browser build's C library (musl) knows Shift_JIS but not its Windows
// form, CP932, in which the game keeps its texts. Within JIS X 0208 the two
// differ in these seven characters; CP932's own rows (NEC's and IBM's
// additions, lead bytes 0x87 and 0xED to 0xFC) are read as invalid here, and
// the game's texts use none of them.
struct Cp932Difference {
    uint16_t sjis;
    const char* utf8;
};
constexpr Cp932Difference kCp932Differences[] = {
    {0x815F, "\xEF\xBC\xBC"},  // U+FF3C fullwidth reverse solidus
    {0x8160, "\xEF\xBD\x9E"},  // U+FF5E fullwidth tilde
    {0x8161, "\xE2\x88\xA5"},  // U+2225 parallel to
    {0x817C, "\xEF\xBC\x8D"},  // U+FF0D fullwidth hyphen-minus
    {0x8191, "\xEF\xBF\xA0"},  // U+FFE0 fullwidth cent sign
    {0x8192, "\xEF\xBF\xA1"},  // U+FFE1 fullwidth pound sign
    {0x81CA, "\xEF\xBF\xA2"},  // U+FFE2 fullwidth not sign
};

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// CP932 to UTF-8 a character at a time: the differences from the table, the
// rest through musl's Shift_JIS.
bool Cp932ToUtf8(std::string_view in, std::string* out) {
    out->clear();
    size_t i = 0;
    while (i < in.size()) {
        const auto lead = static_cast<unsigned char>(in[i]);
        const size_t length = IsLeadByte(lead) ? 2 : 1;
        if (i + length > in.size() || lead == 0x87 || lead >= 0xED) return false;
        bool done = false;
        if (length == 2) {
            const uint16_t code = static_cast<uint16_t>(lead << 8 | static_cast<unsigned char>(in[i + 1]));
            for (const Cp932Difference& d : kCp932Differences) {
                if (d.sjis == code) {
                    out->append(d.utf8);
                    done = true;
                }
            }
        }
        if (!done) {
            std::string one;
            const bool ok = Convert("UTF-8", "SHIFT_JIS", in.substr(i, length), &one);
            out->append(one);
            if (!ok) return false;
        }
        i += length;
    }
    return true;
}

// UTF-8 to CP932: the table's characters by hand, the rest through musl.
bool Utf8ToCp932(std::string_view in, std::string* out) {
    out->clear();
    size_t start = 0;
    for (size_t i = 0; i <= in.size(); ++i) {
        for (const Cp932Difference& d : kCp932Differences) {
            const std::string_view u(d.utf8);
            if (i < in.size() && in.substr(i, u.size()) == u) {
                std::string part;
                if (!Convert("SHIFT_JIS", "UTF-8", in.substr(start, i - start), &part)) return false;
                out->append(part);
                out->push_back(static_cast<char>(d.sjis >> 8));
                out->push_back(static_cast<char>(d.sjis & 0xFF));
                i += u.size() - 1;
                start = i + 1;
                break;
            }
        }
    }
    std::string rest;
    if (start < in.size() && !Convert("SHIFT_JIS", "UTF-8", in.substr(start), &rest)) return false;
    out->append(rest);
    return true;
}
#else
bool Cp932ToUtf8(std::string_view in, std::string* out) { return Convert("UTF-8", "CP932", in, out); }
bool Utf8ToCp932(std::string_view in, std::string* out) { return Convert("CP932", "UTF-8", in, out); }
#endif

}  // namespace

bool SjisToUtf8(std::string_view sjis, std::string* out) {
    if (Cp932ToUtf8(sjis, out)) return true;
    out->append("\xEF\xBF\xBD");
    return false;
}

std::string SjisToUtf8(std::string_view sjis) {
    std::string out;
    SjisToUtf8(sjis, &out);
    return out;
}

bool Utf8ToSjis(std::string_view utf8, std::string* out) { return Utf8ToCp932(utf8, out); }

std::string CutToShiftJisWidth(std::string_view utf8, size_t bytes) {
    size_t width = 0;
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (i + length > utf8.size()) break;  // a character cut short already
        size_t wide = 2;
        if (length == 1) {
            wide = 1;
        } else if (length == 3) {
            // U+FF61 to U+FF9F, half-width katakana: EF BD A1 to EF BE 9F.
            const auto b1 = static_cast<unsigned char>(utf8[i + 1]);
            const auto b2 = static_cast<unsigned char>(utf8[i + 2]);
            if (lead == 0xEF && ((b1 == 0xBD && b2 >= 0xA1) || (b1 == 0xBE && b2 <= 0x9F))) wide = 1;
        }
        if (width + wide > bytes) break;
        width += wide;
        i += length;
    }
    return std::string(utf8.substr(0, i));
}
