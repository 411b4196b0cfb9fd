// Locale-free decimal text to number, and the narrow/wide conversions used for files.
#include "platform/posix/kernel_internal.h"

#include <cerrno>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    return loc;
}

// Length of the decimal number at the start of `s` (sign, digits, point, digits, exponent); 0 when none.
size_t DecimalPrefix(const char *s) {
    size_t i = 0;
    if (s[i] == '+' || s[i] == '-') ++i;
    size_t digits = 0;
    while (IsDigit(s[i])) { ++i; ++digits; }
    if (s[i] == '.') {
        ++i;
        while (IsDigit(s[i])) { ++i; ++digits; }
    }
    if (digits == 0) return 0;
    if (s[i] == 'e' || s[i] == 'E') {
        size_t j = i + 1;
        if (s[j] == '+' || s[j] == '-') ++j;
        if (IsDigit(s[j])) {
            while (IsDigit(s[j])) ++j;
            i = j;
        }
    }
    return i;
}

// Wide text as narrow ASCII for parsing; anything beyond ASCII ends the number.
std::string NarrowForParsing(const wchar_t *s) {
    std::string out;
    if (!s) return out;
    for (; *s; ++s) {
        if (*s > 0 && *s < 0x80) out += (char)*s;
        else { out += '\x01'; break; }
    }
    return out;
}

}  // namespace

double TextToDouble(const char *text) {
    if (!text) return 0.0;
    while (IsBlank((unsigned char)*text)) ++text;
    size_t n = DecimalPrefix(text);
    if (n == 0) return 0.0;
    std::string number(text, n);
    double v = strtod_l(number.c_str(), nullptr, CLocale());
    if (std::isinf(v) || std::isnan(v)) return 0.0;  // out of range reads as no number, never as infinity
    return v;
}

double TextToDouble(const wchar_t *text) { return TextToDouble(NarrowForParsing(text).c_str()); }

long TextToLong(const char *text) {
    if (!text) return 0;
    while (IsBlank((unsigned char)*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    if (!IsDigit((unsigned char)*text)) return 0;
    unsigned long long v = 0;
    bool overflow = false;
    for (; IsDigit((unsigned char)*text); ++text) {
        if (v > (ULLONG_MAX - 9) / 10) overflow = true;
        if (!overflow) v = v * 10 + (unsigned)(*text - '0');
    }
    // Clamped like the C library's reading.
    if (negative) {
        if (overflow || v > (unsigned long long)LONG_MAX + 1ull) return LONG_MIN;
        return v == (unsigned long long)LONG_MAX + 1ull ? LONG_MIN : -(long)v;
    }
    if (overflow || v > (unsigned long long)LONG_MAX) return LONG_MAX;
    return (long)v;
}

long TextToLong(const wchar_t *text) { return TextToLong(NarrowForParsing(text).c_str()); }

void WideToNarrowLowByte(const wchar_t *src, char *dst, size_t dstSize) {
    if (!dst || dstSize == 0) return;
    size_t i = 0;
    if (src)
        for (; src[i] && i + 1 < dstSize; ++i) dst[i] = (char)(unsigned char)((unsigned)src[i] & 0xFF);
    dst[i] = '\0';
}

void NarrowToWideUnsigned(const char *src, wchar_t *dst, size_t dstSize) {
    if (!dst || dstSize == 0) return;
    size_t i = 0;
    if (src)
        for (; src[i] && i + 1 < dstSize; ++i) dst[i] = (wchar_t)(unsigned char)src[i];
    dst[i] = L'\0';
}
