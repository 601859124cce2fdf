#include "scene/format_scan.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace {

// The C locale's white space: what isspace accepts there.
inline bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool IsHexDigit(unsigned char c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
inline unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c | 0x20) : c; }

// Longest token the number rules can collect from one line (99 characters).
constexpr int kTokenMax = 128;

// Collects the characters of an integer as the C library's scanf does:
// an optional sign, then decimal digits. Returns the token length, 0 when it
// holds no digit (a matching failure).
int CollectInteger(const char* p, char* token, const char** end) {
    int n = 0;
    if (*p == '-' || *p == '+') token[n++] = *p++;
    int digits = 0;
    while (IsDigit(static_cast<unsigned char>(*p)) && n < kTokenMax - 1) {
        token[n++] = *p++;
        ++digits;
    }
    token[n] = '\0';
    *end = p;
    return digits == 0 ? 0 : n;
}

// Collects a floating-point token exactly as the C library's scanf does
// (sign, "nan", "inf"/"infinity", hexadecimal "0x", digits, one decimal
// point, exponent with its sign). The character that stops the token is not
// consumed. Returns false for a matching failure detected while collecting
// (an incomplete "nan" or "inf"); otherwise the token may still hold no
// number, which the conversion then reports.
bool CollectFloat(const char* p, char* token, int* length, const char** end, bool* plainDecimal) {
    int n = 0;
    *plainDecimal = false;
    auto add = [&](char c) {
        if (n < kTokenMax - 1) token[n++] = c;
    };
    auto finish = [&](const char* q) {
        token[n] = '\0';
        *length = n;
        *end = q;
    };
    if (*p == '-' || *p == '+') {
        add(*p++);
        if (*p == '\0') return false;
    }
    unsigned char c = static_cast<unsigned char>(*p);
    if (Lower(c) == 'n') {
        static const char kNan[] = "nan";
        for (int i = 0; i < 3; ++i, ++p) {
            if (Lower(static_cast<unsigned char>(*p)) != kNan[i]) return false;
            add(*p);
        }
        finish(p);
        return true;
    }
    if (Lower(c) == 'i') {
        static const char kInf[] = "inf";
        for (int i = 0; i < 3; ++i, ++p) {
            if (Lower(static_cast<unsigned char>(*p)) != kInf[i]) return false;
            add(*p);
        }
        if (Lower(static_cast<unsigned char>(*p)) == 'i') {
            static const char kInity[] = "inity";
            for (int i = 0; i < 5; ++i, ++p) {
                if (Lower(static_cast<unsigned char>(*p)) != kInity[i]) return false;
                add(*p);
            }
        }
        finish(p);
        return true;
    }
    bool hex = false;
    bool gotDigit = false, gotDot = false, gotE = false;
    char expChar = 'e';
    if (c == '0') {
        add(*p++);
        if (Lower(static_cast<unsigned char>(*p)) == 'x') {
            add(*p++);
            hex = true;
            expChar = 'p';
        } else {
            gotDigit = true;
        }
    }
    for (;; ++p) {
        c = static_cast<unsigned char>(*p);
        if (IsDigit(c)) {
            add(static_cast<char>(c));
            gotDigit = true;
        } else if (!gotE && hex && IsHexDigit(c)) {
            add(static_cast<char>(c));
            gotDigit = true;
        } else if (gotE && n > 0 && token[n - 1] == expChar && (c == '-' || c == '+')) {
            add(static_cast<char>(c));
        } else if (gotDigit && !gotE && Lower(c) == expChar) {
            add(expChar);
            gotE = gotDot = true;
        } else if (!gotDot && c == '.') {
            add('.');
            gotDot = true;
        } else {
            break;
        }
    }
    finish(p);
    // A bare "0x" prefix (after an optional sign) is a matching failure.
    if (hex && n == 2 + (token[0] == '-' || token[0] == '+' ? 1 : 0)) return false;
    *plainDecimal = !hex;
    return true;
}

// strtof on the token; false when no prefix of it is a number.
bool ConvertFloat(const char* token, int length, bool plainDecimal, float* value) {
    if (plainDecimal) {
        // from_chars rounds exactly as strtof does; it takes no '+' and
        // reports results outside float's range, which go to strtof.
        const char* first = token;
        const char* last = token + length;
        if (*first == '+') ++first;
        float v;
        std::from_chars_result r = std::from_chars(first, last, v, std::chars_format::general);
        if (r.ec == std::errc()) {
            *value = v;
            return true;
        }
        if (r.ec == std::errc::invalid_argument) return false;
    }
    char* stop = nullptr;
    int savedErrno = errno;
    float v = std::strtof(token, &stop);
    errno = savedErrno;
    if (stop == token) return false;
    *value = v;
    return true;
}

// strtol / strtoul on a token of sign and decimal digits, then narrowed to
// 32 bits the way the C library stores a long into an int.
long long ParseLong(const char* token) {
    const char* p = token;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = (*p++ == '-');
    unsigned long long magnitude = 0;
    bool overflow = false;
    for (; *p; ++p) {
        unsigned digit = static_cast<unsigned>(*p - '0');
        if (magnitude > (ULLONG_MAX - digit) / 10u) {
            overflow = true;
            break;
        }
        magnitude = magnitude * 10u + digit;
    }
    if (negative) {
        if (overflow || magnitude > static_cast<unsigned long long>(LLONG_MAX) + 1u) return LLONG_MIN;
        return magnitude == static_cast<unsigned long long>(LLONG_MAX) + 1u ? LLONG_MIN
                                                                             : -static_cast<long long>(magnitude);
    }
    if (overflow || magnitude > static_cast<unsigned long long>(LLONG_MAX)) return LLONG_MAX;
    return static_cast<long long>(magnitude);
}

unsigned long long ParseUnsignedLong(const char* token) {
    const char* p = token;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = (*p++ == '-');
    unsigned long long magnitude = 0;
    for (; *p; ++p) {
        unsigned digit = static_cast<unsigned>(*p - '0');
        if (magnitude > (ULLONG_MAX - digit) / 10u) return ULLONG_MAX;
        magnitude = magnitude * 10u + digit;
    }
    return negative ? 0u - magnitude : magnitude;
}

}  // namespace

int ScanFormat(const char* input, const char* format, ...) {
    static_assert(sizeof(long) == sizeof(long long), "the integer rules follow a 64-bit long");
    va_list args;
    va_start(args, format);
    const char* p = input;
    const char* f = format;
    int done = 0;
    char token[kTokenMax];
    // input failure: the input ended; sscanf then returns EOF when nothing
    // was stored yet.
    auto inputFailure = [&]() { return done == 0 ? -1 : done; };
    int result = 0;
    bool finished = false;
    while (*f && !finished) {
        unsigned char fc = static_cast<unsigned char>(*f);
        if (IsSpace(fc)) {
            while (IsSpace(static_cast<unsigned char>(*f))) ++f;
            while (IsSpace(static_cast<unsigned char>(*p))) ++p;
            continue;
        }
        if (fc != '%' || f[1] == '%') {
            if (fc == '%') ++f;
            if (*p == '\0') {
                result = inputFailure();
                finished = true;
                break;
            }
            if (*p != *f) {
                result = done;
                finished = true;
                break;
            }
            ++p;
            ++f;
            continue;
        }
        char conversion = f[1];
        f += 2;
        while (IsSpace(static_cast<unsigned char>(*p))) ++p;
        if (*p == '\0') {
            result = inputFailure();
            finished = true;
            break;
        }
        switch (conversion) {
        case 'd':
        case 'u': {
            const char* end = nullptr;
            if (CollectInteger(p, token, &end) == 0) {
                result = done;
                finished = true;
                break;
            }
            p = end;
            if (conversion == 'd') {
                *va_arg(args, int*) = static_cast<int>(static_cast<unsigned int>(ParseLong(token)));
            } else {
                *va_arg(args, unsigned int*) = static_cast<unsigned int>(ParseUnsignedLong(token));
            }
            ++done;
            break;
        }
        case 'f': {
            const char* end = nullptr;
            int length = 0;
            bool plainDecimal = false;
            float value = 0.0f;
            if (!CollectFloat(p, token, &length, &end, &plainDecimal) ||
                !ConvertFloat(token, length, plainDecimal, &value)) {
                result = done;
                finished = true;
                break;
            }
            p = end;
            *va_arg(args, float*) = value;
            ++done;
            break;
        }
        case 's': {
            char* out = va_arg(args, char*);
            std::size_t n = 0;
            while (*p && !IsSpace(static_cast<unsigned char>(*p)) && n < kScanWordSize - 1) out[n++] = *p++;
            out[n] = '\0';
            ++done;
            break;
        }
        default:
            // Not a directive of the loaders' formats: stop as a matching failure.
            result = done;
            finished = true;
            break;
        }
    }
    va_end(args);
    return finished ? result : done;
}
