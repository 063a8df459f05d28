// The three conversions libhivex asks iconv for, done here. The C library of a static program
// loads its conversions other than UTF-8 and UTF-16 from the machine it runs on; on a rescue
// system whose library lives elsewhere, or is of another version, each key name would fail to
// decode and the registry would read as empty. This also keeps a lone surrogate in a name as
// the Windows program does (sys/Utf.h), where iconv refuses the whole name.
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "sys/Utf.h"

namespace {

enum class Charset { Latin1, Utf8, Utf16Le };

struct Conversion {
    Charset from;
    Charset to;
};

Conversion g_conversions[] = {
    {Charset::Latin1, Charset::Utf8},
    {Charset::Utf16Le, Charset::Utf8},
    {Charset::Utf8, Charset::Latin1},
    {Charset::Utf8, Charset::Utf16Le},
};

bool Named(const char* name, Charset* charset) {
    if (std::strcmp(name, "LATIN1") == 0 || std::strcmp(name, "ISO-8859-1") == 0) {
        *charset = Charset::Latin1;
    } else if (std::strcmp(name, "UTF-8") == 0) {
        *charset = Charset::Utf8;
    } else if (std::strcmp(name, "UTF-16LE") == 0) {
        *charset = Charset::Utf16Le;
    } else {
        return false;
    }
    return true;
}

// The whole input converted, or false when a character has no place in the target charset.
bool Converted(const Conversion& c, const std::string& in, std::string* out) {
    std::u16string units;
    switch (c.from) {
        case Charset::Latin1:
            for (char ch : in) {
                units += static_cast<char16_t>(static_cast<unsigned char>(ch));
            }
            break;
        case Charset::Utf16Le:
            units = kr8::UnitsOfLittleEndian(in);
            break;
        case Charset::Utf8:
            units = kr8::Utf16FromUtf8(in);
            break;
    }
    switch (c.to) {
        case Charset::Latin1:
            out->clear();
            for (char16_t unit : units) {
                if (unit > 0xFF) {
                    return false;
                }
                *out += static_cast<char>(unit);
            }
            return true;
        case Charset::Utf8:
            *out = kr8::Utf8FromUtf16(units);
            return true;
        case Charset::Utf16Le:
            *out = kr8::LittleEndianBytes(units);
            return true;
    }
    return false;
}

}  // namespace

extern "C" {

iconv_t iconv_open(const char* tocode, const char* fromcode) noexcept {
    Charset from{};
    Charset to{};
    if (Named(fromcode, &from) && Named(tocode, &to)) {
        for (Conversion& c : g_conversions) {
            if (c.from == from && c.to == to) {
                return &c;
            }
        }
    }
    errno = EINVAL;
    return reinterpret_cast<iconv_t>(-1);
}

// Converts the whole input at once: with too little room it takes nothing, and the caller,
// which grows its buffer and starts again, is given all of it the next time.
size_t iconv(iconv_t cd, char** inbuf, size_t* inbytesleft, char** outbuf,
             size_t* outbytesleft) noexcept {
    if (inbuf == nullptr || *inbuf == nullptr) {
        return 0;  // a reset: no state is kept between calls
    }
    std::string out;
    if (!Converted(*static_cast<const Conversion*>(cd), std::string(*inbuf, *inbytesleft), &out)) {
        errno = EILSEQ;
        return static_cast<size_t>(-1);
    }
    if (out.size() > *outbytesleft) {
        errno = E2BIG;
        return static_cast<size_t>(-1);
    }
    std::memcpy(*outbuf, out.data(), out.size());
    *outbuf += out.size();
    *outbytesleft -= out.size();
    *inbuf += *inbytesleft;
    *inbytesleft = 0;
    return 0;
}

int iconv_close(iconv_t) noexcept {
    return 0;
}

}  // extern "C"
