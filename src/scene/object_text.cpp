#include "scene/object_text.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstring>
#include <system_error>

#include "scene/format_scan.h"
#include "scene/text_reader.h"

namespace {

// The current line as the line reader holds it: its characters with every
// comma read as a point, the line end, a NUL.
struct LineCopy {
    char text[kLineCapacity + 1];
    LineCopy(const char* begin, const char* end) {
        const auto length = static_cast<std::size_t>(end - begin);
        std::memcpy(text, begin, length);
        for (std::size_t i = 0; i < length; ++i) {
            if (text[i] == ',') text[i] = '.';
        }
        text[length] = '\n';
        text[length + 1] = '\0';
    }
};

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

inline bool Literal(const char*& p, const char* end, const char* text, std::size_t length) {
    if (static_cast<std::size_t>(end - p) < length || std::memcmp(p, text, length) != 0) return false;
    p += length;
    return true;
}

template <std::size_t N>
inline bool Literal(const char*& p, const char* end, const char (&text)[N]) {
    return Literal(p, end, text, N - 1);
}

// Digits, with an optional '-' when negative is allowed. At most nine, so
// the value fits without a check; longer numbers go to the general scan,
// which knows when they do not fit.
inline bool Whole(const char*& p, const char* end, bool negative, long* value) {
    const char* q = p;
    const bool minus = negative && q < end && *q == '-';
    if (minus) ++q;
    const char* digits = q;
    long v = 0;
    while (q < end && IsDigit(*q)) {
        if (q - digits == 9) return false;
        v = v * 10 + (*q - '0');
        ++q;
    }
    if (q == digits) return false;
    *value = minus ? -v : v;
    p = q;
    return true;
}

inline bool Int(const char*& p, const char* end, int* value) {
    long v = 0;
    if (!Whole(p, end, true, &v)) return false;
    *value = static_cast<int>(v);
    return true;
}

inline bool Unsigned(const char*& p, const char* end, std::uint32_t* value) {
    long v = 0;
    if (!Whole(p, end, false, &v)) return false;
    *value = static_cast<std::uint32_t>(v);
    return true;
}

// Powers of ten that a float holds exactly.
constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

// A decimal number: first the characters the general scan collects for one
// (sign, digits, one point, an exponent and its sign), then their value as
// the general scan's conversion rounds it (to nearest, exactly). A number
// of at most 2^24 in its digits and at most ten of them after the point is
// the quotient of two floats that hold their values exactly, which one
// division rounds correctly; any other goes to from_chars, and is taken
// only when from_chars takes every collected character and the value is in
// range.
inline bool Float(const char*& p, const char* end, float* value) {
    const char* q = p;
    const bool minus = q < end && *q == '-';
    if (minus) ++q;  // a '+' goes to the general scan
    bool digit = false, point = false, exponent = false;
    std::uint64_t mantissa = 0;
    int digits = 0, fraction = 0;
    for (; q < end; ++q) {
        const char c = *q;
        if (IsDigit(c)) {
            digit = true;
            if (!exponent) {
                mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
                ++digits;
                if (point) ++fraction;
            }
        } else if (c == '.' && !point) {
            point = true;
        } else if ((c == 'e' || c == 'E') && digit && !exponent) {
            exponent = point = true;
        } else if ((c == '-' || c == '+') && exponent && (q[-1] == 'e' || q[-1] == 'E')) {
        } else {
            break;
        }
    }
    if (!digit) return false;
    if (!exponent && digits <= 18 && mantissa <= (std::uint64_t{1} << 24) && fraction <= 10) {
        const float v = static_cast<float>(mantissa) / kPowersOfTen[fraction];
        *value = minus ? -v : v;
        p = q;
        return true;
    }
    float v = 0.0f;
    const std::from_chars_result r = std::from_chars(p, q, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != q) return false;
    *value = v;
    p = q;
    return true;
}

}  // namespace

void ObjectText::Fill() {
    if (fd_ < 0 || atEnd_) return;
    const auto kept = static_cast<std::size_t>(end_ - next_);
    std::memmove(window_, next_, kept);
    next_ = window_;
    char* filled = window_ + kept;
    char* const limit = window_ + windowBytes_;
    while (filled < limit) {
        const ssize_t n = read(fd_, filled, static_cast<std::size_t>(limit - filled));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            atEnd_ = true;
            readFailed_ = n < 0;
            break;
        }
        filled += n;
    }
    end_ = filled;
}

bool ObjectText::NextLine() {
    constexpr std::ptrdiff_t kMaxCharacters = kLineCapacity - 1;
    for (;;) {
        if (end_ - next_ < kLookahead) Fill();
        if (next_ >= end_) return false;
        const char* start = next_;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(end_ - start)));
        // A line that does not end within the window is far too long.
        if (newline == nullptr && fd_ >= 0 && !atEnd_) return false;
        const char* stop = newline != nullptr ? newline : end_;
        next_ = newline != nullptr ? newline + 1 : end_;
        // CR LF is one line end.
        if (newline != nullptr && stop > start && stop[-1] == '\r') --stop;
        if (stop - start >= kMaxCharacters) return false;
        if (stop == start) continue;
        const char first = *start;
        if (first == '#' || first == ';' || first == ':' || first == ' ') continue;
        begin_ = start;
        lineEnd_ = stop;
        return true;
    }
}

bool ObjectText::Has(const char* keyword) const {
    const LineCopy line(begin_, lineEnd_);
    return std::strstr(line.text, keyword) != nullptr;
}

int ObjectText::Scan(const char* format, ...) const {
    const LineCopy line(begin_, lineEnd_);
    va_list args;
    va_start(args, format);
    ScanStop stop;
    int result = ScanFormatV(line.text, format, args, &stop);
    va_end(args);
    return stop.outOfRange ? kScanOutOfRange : result;
}

const char* ScanVertexLine(const char* p, const char* end, float* x, float* y, float* z) {
    int number = 0;
    return Literal(p, end, "Vertex ") && Int(p, end, &number) && Literal(p, end, ": X: ") && Float(p, end, x) &&
                   Literal(p, end, " Y: ") && Float(p, end, y) && Literal(p, end, " Z: ") && Float(p, end, z)
               ? p
               : nullptr;
}

const char* ScanTVertexLine(const char* p, const char* end, float* u, float* v) {
    int number = 0;
    return Literal(p, end, "TVertex ") && Int(p, end, &number) && Literal(p, end, ": U: ") && Float(p, end, u) &&
                   Literal(p, end, " V: ") && Float(p, end, v)
               ? p
               : nullptr;
}

const char* ScanFaceLine(const char* p, const char* end, int* a, int* b, int* c, int* ab, int* bc, int* ca) {
    int number = 0;
    return Literal(p, end, "Face ") && Int(p, end, &number) && Literal(p, end, ": A: ") && Int(p, end, a) &&
                   Literal(p, end, " B: ") && Int(p, end, b) && Literal(p, end, " C: ") && Int(p, end, c) &&
                   Literal(p, end, " AB: ") && Int(p, end, ab) && Literal(p, end, " BC: ") && Int(p, end, bc) &&
                   Literal(p, end, " CA: ") && Int(p, end, ca)
               ? p
               : nullptr;
}

const char* ScanSmoothingLine(const char* p, const char* end, std::uint32_t* smoothing) {
    return Literal(p, end, "Smoothing: ") && Unsigned(p, end, smoothing) ? p : nullptr;
}

const char* ScanTVFaceLine(const char* p, const char* end, int* ta, int* tb, int* tc) {
    int number = 0;
    return Literal(p, end, "TVFace ") && Int(p, end, &number) && Literal(p, end, ": TA: ") && Int(p, end, ta) &&
                   Literal(p, end, " TB: ") && Int(p, end, tb) && Literal(p, end, " TC: ") && Int(p, end, tc)
               ? p
               : nullptr;
}

const char* ScanFaceMaterialLine(const char* p, const char* end, int* number) {
    return Literal(p, end, "Material: ") && Int(p, end, number) ? p : nullptr;
}

const char* ScanNormalLine(const char* p, const char* end, float* x, float* y, float* z) {
    return Literal(p, end, "Normal: X: ") && Float(p, end, x) && Literal(p, end, " Y: ") && Float(p, end, y) &&
                   Literal(p, end, " Z: ") && Float(p, end, z)
               ? p
               : nullptr;
}
