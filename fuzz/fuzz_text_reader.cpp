// The line reader on any bytes, and the value scanner on every line it
// delivers, checked against the C library's sscanf: a difference in the
// count or a stored value stops the fuzzer. Where the scanner departs from
// sscanf on purpose the check is on that instead: lines with hexadecimal,
// infinity or not-a-number text skip the float comparisons, and a scan
// refused as out of range needs a number of at least ten digits.
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "scene/format_scan.h"
#include "scene/text_reader.h"

namespace {

bool SameFloat(float a, float b) { return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0; }

bool HasFloatExtension(const char* line) {
    for (const char* p = line; *p; ++p) {
        auto at = [&](const char* word) {
            for (int i = 0; word[i]; ++i) {
                if (std::tolower(static_cast<unsigned char>(p[i])) != word[i]) return false;
            }
            return true;
        };
        if (at("0x") || at("inf") || at("nan")) return true;
    }
    return false;
}

bool HasTenDigits(const char* line) {
    int run = 0;
    for (const char* p = line; *p; ++p) {
        run = std::isdigit(static_cast<unsigned char>(*p)) ? run + 1 : 0;
        if (run >= 10) return true;
    }
    return false;
}

// The same scan through ScanFormatV, for the description of its stop.
void Describe(const char* line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    ScanStop stop;
    ScanFormatV(line, format, args, &stop);
    va_end(args);
    if (DescribeScanStop(stop).empty()) std::abort();
}

// ra is out of range (and then the line must hold a long number) or equal
// to rb.
bool OutOfRange(int ra, int rb, const char* line) {
    if (ra != kScanOutOfRange) {
        if (ra != rb) std::abort();
        return false;
    }
    if (!HasTenDigits(line)) std::abort();
    return true;
}

void CompareScans(const char* line) {
    const bool floatsDiffer = HasFloatExtension(line);
    {
        int a[7] = {}, b[7] = {};
        const char* fmt = "Face %d: A: %d B: %d C: %d AB: %d BC: %d CA: %d\n";
        int ra = ScanFormat(line, fmt, &a[0], &a[1], &a[2], &a[3], &a[4], &a[5], &a[6]);
        int rb = std::sscanf(line, fmt, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6]);
        if (!OutOfRange(ra, rb, line) && std::memcmp(a, b, sizeof a) != 0) std::abort();
        Describe(line, fmt, &a[0], &a[1], &a[2], &a[3], &a[4], &a[5], &a[6]);
    }
    if (!floatsDiffer) {
        int na = 0, nb = 0;
        float a[4] = {}, b[4] = {};
        char wa[kScanWordSize] = "", wb[kScanWordSize] = "";
        const char* fmt = "Light %d: X: %f Y: %f Z: %f Intensity: %f Type: %s\n";
        int ra = ScanFormat(line, fmt, &na, &a[0], &a[1], &a[2], &a[3], wa);
        int rb = std::sscanf(line, fmt, &nb, &b[0], &b[1], &b[2], &b[3], wb);
        if (!OutOfRange(ra, rb, line)) {
            if (na != nb || std::strcmp(wa, wb) != 0) std::abort();
            for (int i = 0; i < 4; ++i) {
                if (!SameFloat(a[i], b[i])) std::abort();
            }
        }
        Describe(line, fmt, &na, &a[0], &a[1], &a[2], &a[3], wa);
    }
    {
        unsigned a = 0, b = 0;
        int ra = ScanFormat(line, "Smoothing: %u\n", &a);
        int rb = std::sscanf(line, "Smoothing: %u\n", &b);
        if (!OutOfRange(ra, rb, line) && a != b) std::abort();
    }
    if (!floatsDiffer) {
        float a = 0, b = 0;
        int ra = ScanFormat(line, "%f%f", &a, &a);
        int rb = std::sscanf(line, "%f%f", &b, &b);
        if (ra != rb || !SameFloat(a, b)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzSetUp();
    FuzzWriteFile("text.txt", data, size);
    TextReader reader;
    if (!reader.Open("text.txt", "text.txt")) std::abort();
    try {
        for (;;) {
            reader.ReadLine();
            if (std::strlen(reader.line) > 99) std::abort();
            (void)reader.Has("Face");
            CompareScans(reader.line);
        }
    } catch (const FuzzFatalError&) {
        // The end of the input: "EOF encountered in file text.txt!\n".
    }
    FuzzReleaseRecords();
    return 0;
}
