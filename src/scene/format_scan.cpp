#include "scene/format_scan.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>

#include "scene/load_message.h"

namespace {

// The C locale's white space: what isspace accepts there.
inline bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
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

// Collects a decimal floating-point token as the C library's scanf does
// (sign, digits, one decimal point, exponent with its sign), but none of its
// extensions: "0x10" collects "0" and stops at the "x", and "inf" or "nan"
// collect no digit, which the conversion then refuses. The character that
// stops the token is not consumed. False for a sign at the end of the input.
bool CollectFloat(const char* p, char* token, int* length, const char** end) {
    int n = 0;
    auto add = [&](char c) {
        if (n < kTokenMax - 1) token[n++] = c;
    };
    if (*p == '-' || *p == '+') {
        add(*p++);
        if (*p == '\0') return false;
    }
    bool gotDigit = false, gotDot = false, gotE = false;
    for (;; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (IsDigit(c)) {
            add(static_cast<char>(c));
            gotDigit = true;
        } else if (gotE && n > 0 && token[n - 1] == 'e' && (c == '-' || c == '+')) {
            add(static_cast<char>(c));
        } else if (gotDigit && !gotE && Lower(c) == 'e') {
            add('e');
            gotE = gotDot = true;
        } else if (!gotDot && c == '.') {
            add('.');
            gotDot = true;
        } else {
            break;
        }
    }
    token[n] = '\0';
    *length = n;
    *end = p;
    return true;
}

// strtof on the token; false when no prefix of it is a number.
bool ConvertFloat(const char* token, int length, float* value) {
    // from_chars rounds exactly as strtof does; it takes no '+' and reports
    // results outside float's range, which go to strtof.
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
    char* stop = nullptr;
    int savedErrno = errno;
    v = std::strtof(token, &stop);
    errno = savedErrno;
    if (stop == token) return false;
    *value = v;
    return true;
}

// The value of a token of sign and decimal digits as strtol would give it,
// or false when it lies outside int.
bool ParseInt(const char* token, int* value) {
    const char* p = token;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = (*p++ == '-');
    const unsigned long long limit = negative ? 1ull + static_cast<unsigned long long>(INT_MAX) : INT_MAX;
    unsigned long long magnitude = 0;
    for (; *p; ++p) {
        magnitude = magnitude * 10u + static_cast<unsigned>(*p - '0');
        if (magnitude > limit) return false;
    }
    *value = negative ? static_cast<int>(0ll - static_cast<long long>(magnitude)) : static_cast<int>(magnitude);
    return true;
}

// The value strtoul would give, narrowed to unsigned int (a leading '-'
// negates, as there); false when the digits exceed unsigned int.
bool ParseUnsigned(const char* token, unsigned* value) {
    const char* p = token;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = (*p++ == '-');
    unsigned long long magnitude = 0;
    for (; *p; ++p) {
        magnitude = magnitude * 10u + static_cast<unsigned>(*p - '0');
        if (magnitude > UINT_MAX) return false;
    }
    unsigned m = static_cast<unsigned>(magnitude);
    *value = negative ? 0u - m : m;
    return true;
}

// Bytes of a message quote taken from the input.
constexpr int kQuoteMax = 24;

std::string Quote(const char* text, int length) {
    return QuotedText(std::string_view(text, static_cast<std::size_t>(length)));
}

// The input's next word (up to white space), at most kQuoteMax bytes.
int WordLength(const char* p) {
    int n = 0;
    while (p[n] != '\0' && !IsSpace(static_cast<unsigned char>(p[n])) && n < kQuoteMax) ++n;
    return n;
}

}  // namespace

int ScanFormatV(const char* input, const char* format, va_list args, ScanStop* stop) {
    const char* p = input;
    const char* f = format;
    int done = 0;
    char token[kTokenMax];
    stop->format = format;
    stop->at = nullptr;
    stop->outOfRange = false;
    // Stops at the format's current place; only messages look at it.
    auto stopHere = [&](int result) {
        stop->at = f;
        stop->input = p;
        return result;
    };
    // input failure: the input ended; sscanf then returns EOF when nothing
    // was stored yet.
    auto inputFailure = [&]() { return stopHere(done == 0 ? -1 : done); };
    while (*f) {
        unsigned char fc = static_cast<unsigned char>(*f);
        if (IsSpace(fc)) {
            while (IsSpace(static_cast<unsigned char>(*f))) ++f;
            while (IsSpace(static_cast<unsigned char>(*p))) ++p;
            continue;
        }
        if (fc != '%' || f[1] == '%') {
            if (*p == '\0') return inputFailure();
            if (*p != f[fc == '%' ? 1 : 0]) return stopHere(done);
            ++p;
            f += fc == '%' ? 2 : 1;
            continue;
        }
        char conversion = f[1];
        while (IsSpace(static_cast<unsigned char>(*p))) ++p;
        if (*p == '\0') return inputFailure();
        switch (conversion) {
        case 'd':
        case 'u': {
            const char* end = nullptr;
            if (CollectInteger(p, token, &end) == 0) return stopHere(done);
            if (conversion == 'd') {
                int value = 0;
                if (!ParseInt(token, &value)) {
                    stop->outOfRange = true;
                    return stopHere(kScanOutOfRange);
                }
                *va_arg(args, int*) = value;
            } else {
                unsigned value = 0;
                if (!ParseUnsigned(token, &value)) {
                    stop->outOfRange = true;
                    return stopHere(kScanOutOfRange);
                }
                *va_arg(args, unsigned int*) = value;
            }
            p = end;
            ++done;
            break;
        }
        case 'f': {
            const char* end = nullptr;
            int length = 0;
            float value = 0.0f;
            if (!CollectFloat(p, token, &length, &end) || !ConvertFloat(token, length, &value)) {
                return stopHere(done);
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
            return stopHere(done);
        }
        f += 2;
    }
    return done;
}

int ScanFormat(const char* input, const char* format, ...) {
    va_list args;
    va_start(args, format);
    ScanStop stop;
    int result = ScanFormatV(input, format, args, &stop);
    va_end(args);
    return result;
}

std::string DescribeScanStop(const ScanStop& stop) {
    if (stop.at == nullptr) return "the line holds every value";
    // Walks the format again up to the stop: the literal text being matched
    // there (its whole run between blanks and directives), or for a
    // directive the run before it, which names the value.
    const char* run = nullptr;
    const char* runEnd = nullptr;
    const char* label = nullptr;
    const char* labelEnd = nullptr;
    for (const char* f = stop.format; f < stop.at;) {
        if (IsSpace(static_cast<unsigned char>(*f)) || (f[0] == '%' && f[1] != '%')) {
            if (run != nullptr) {
                label = run;
                labelEnd = f;
                run = nullptr;
            }
            f += IsSpace(static_cast<unsigned char>(*f)) ? 1 : 2;
        } else {
            if (run == nullptr) run = f;
            f += f[0] == '%' ? 2 : 1;
        }
    }
    const char* p = stop.input;
    std::string found = *p == '\0' ? std::string("the end of the line") : Quote(p, WordLength(p));
    const char* at = stop.at;
    if (at[0] != '%' || at[1] == '%') {
        if (run == nullptr) run = at;
        runEnd = at;
        while (*runEnd != '\0' && !IsSpace(static_cast<unsigned char>(*runEnd)) &&
               !(runEnd[0] == '%' && runEnd[1] != '%')) {
            runEnd += runEnd[0] == '%' ? 2 : 1;
        }
        return "expected " + Quote(run, static_cast<int>(runEnd - run)) + ", found " + found;
    }
    if (run != nullptr) {
        label = run;
        labelEnd = at;
    }
    std::string after = label != nullptr ? " after " + Quote(label, static_cast<int>(labelEnd - label)) : std::string();
    if (stop.outOfRange) {
        const char* what = at[1] == 'u' ? "an unsigned 32-bit" : "a 32-bit";
        return "the number" + after + ", " + Quote(p, WordLength(p)) + ", does not fit " + what + " field";
    }
    const char* what = at[1] == 's' ? "a word" : "a number";
    return std::string("expected ") + what + after + ", found " + found;
}
