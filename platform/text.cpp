#include "platform/text.h"

#include <cerrno>
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

}  // namespace

bool SjisToUtf8(std::string_view sjis, std::string* out) {
    if (Convert("UTF-8", "CP932", sjis, out)) return true;
    out->append("\xEF\xBF\xBD");
    return false;
}

std::string SjisToUtf8(std::string_view sjis) {
    std::string out;
    SjisToUtf8(sjis, &out);
    return out;
}

bool Utf8ToSjis(std::string_view utf8, std::string* out) {
    return Convert("CP932", "UTF-8", utf8, out);
}

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
