// The formatter behind Printf, Qprintf and Sprintf. It works on UTF-16
// formats and takes these directives:
//   %s  UTF-16 text (a null pointer prints "(null)")
//   %c  one code unit, passed as int
//   %d  signed 32-bit decimal      %u  unsigned 32-bit decimal
//   %x  %X  unsigned hexadecimal in lower or upper case
//   %%  a percent sign
// each with an optional "-" (left-justify) or "0" (pad with zeros) flag and a
// decimal width. An "l" or "h" size prefix is accepted and ignored. Any other
// directive is copied to the output as it stands.
#include <cstdint>

#include "core.h"
#include "text.h"

namespace plumhost {

namespace {

std::u16string Unsigned(uint32_t value, unsigned base, bool upper) {
    const char16_t* digits = upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
    std::u16string out;
    do {
        out.insert(out.begin(), digits[value % base]);
        value /= base;
    } while (value != 0);
    return out;
}

void Pad(std::u16string& out, std::u16string body, size_t width, bool left, bool zeros) {
    if (body.size() >= width) {
        out += body;
        return;
    }
    size_t fill = width - body.size();
    if (left) {
        out += body;
        out.append(fill, u' ');
    } else if (zeros) {
        // Zeros go after the sign of a negative number.
        size_t sign = (!body.empty() && body[0] == u'-') ? 1 : 0;
        out.append(body, 0, sign);
        out.append(fill, u'0');
        out.append(body, sign, std::u16string::npos);
    } else {
        out.append(fill, u' ');
        out += body;
    }
}

}  // namespace

std::u16string FormatV(const char16_t* format, va_list args) {
    std::u16string out;
    if (!format) return out;
    const char16_t* p = format;
    while (*p) {
        if (*p != u'%') {
            out += *p++;
            continue;
        }
        const char16_t* start = p++;
        bool left = false;
        bool zeros = false;
        while (*p == u'-' || *p == u'0') {
            if (*p == u'-') left = true;
            if (*p == u'0') zeros = true;
            ++p;
        }
        size_t width = 0;
        while (IsDigit(*p)) {
            width = width * 10 + static_cast<size_t>(*p - u'0');
            if (width > MAX_TEXT) width = MAX_TEXT;
            ++p;
        }
        while (*p == u'l' || *p == u'h') ++p;
        switch (*p) {
            case u'%': out += u'%'; break;
            case u's': {
                const char16_t* text = va_arg(args, const char16_t*);
                Pad(out, text ? std::u16string(text) : std::u16string(u"(null)"), width, left, false);
                break;
            }
            case u'c': Pad(out, std::u16string(1, static_cast<char16_t>(va_arg(args, int))), width, left, false); break;
            case u'd': {
                int32_t value = va_arg(args, int32_t);
                Pad(out, ToDecimal(value), width, left, zeros);
                break;
            }
            case u'u': Pad(out, Unsigned(va_arg(args, uint32_t), 10, false), width, left, zeros); break;
            case u'x':
            case u'X': Pad(out, Unsigned(va_arg(args, uint32_t), 16, *p == u'X'), width, left, zeros); break;
            default:
                // Not a directive of ours: keep its text; a lone "%" at the
                // end of the format stays too.
                out.append(start, static_cast<size_t>(p - start));
                continue;
        }
        ++p;
    }
    return out;
}

}  // namespace plumhost
