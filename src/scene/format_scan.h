// A formatted-input scanner for the loaders' value lines that behaves like
// sscanf of the C library for the directives the file formats use:
//   blank      matches any run of white space, including none
//   %d         signed decimal integer (strtol rules, stored as int)
//   %u         unsigned decimal integer (strtoul rules: a leading '-' negates)
//   %f         float: sign, digits, optional fraction and exponent (strtof
//              rounding); only decimal: "0x10" reads as 0 followed by "x10",
//              and "inf" or "nan" are not numbers
//   %s         a word up to the next white space; the destination must hold
//              kScanWordSize bytes (a line never holds a longer word)
//   %%         a literal percent sign
//   other      must appear exactly
// Numbers and words skip leading white space. Text after the last directive
// is ignored. The result is the number of values stored, or -1 when the
// input ended before the first value (as sscanf returns EOF).
//
// Unlike sscanf, a whole number that does not fit its destination (a %d
// outside int, a %u whose digits exceed unsigned int) is not wrapped: the
// scan stops there, stores nothing for it and returns kScanOutOfRange.
//
// It exists because the loaders scan millions of lines: it parses the short
// format on each call but allocates nothing and converts numbers without
// the C library's locale machinery. The scene tests compare it with sscanf.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

constexpr std::size_t kScanWordSize = 100;
constexpr int kScanOutOfRange = -2;

int ScanFormat(const char* input, const char* format, ...) __attribute__((format(scanf, 2, 3)));

// Where a scan stopped short of its format's end, for messages.
struct ScanStop {
    const char* format = nullptr;  // the whole format scanned
    const char* at = nullptr;      // where in it the scan stopped; nullptr: the format was completed
    const char* input = nullptr;   // where in the input the failing item was looked for
    bool outOfRange = false;
};

// ScanFormat with its arguments as a va_list, filling *stop.
int ScanFormatV(const char* input, const char* format, va_list args, ScanStop* stop);

// What the input lacks at a stop, e.g. expected a number after "X:", found
// "inf"; text from the input is quoted with its unprintable bytes escaped.
std::string DescribeScanStop(const ScanStop& stop);
