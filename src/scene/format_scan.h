// A formatted-input scanner for the loaders' value lines that behaves like
// sscanf of the C library for the directives the file formats use:
//   blank      matches any run of white space, including none
//   %d         signed decimal integer (strtol rules, stored as int)
//   %u         unsigned decimal integer (strtoul rules: a leading '-' negates)
//   %f         float: sign, digits, optional fraction and exponent, also
//              hexadecimal, "inf"/"infinity"/"nan" (strtof rules)
//   %s         a word up to the next white space; the destination must hold
//              kScanWordSize bytes (a line never holds a longer word)
//   %%         a literal percent sign
//   other      must appear exactly
// Numbers and words skip leading white space. Text after the last directive
// is ignored. The result is the number of values stored, or -1 when the
// input ended before the first value (as sscanf returns EOF).
//
// It exists because the loaders scan millions of lines: it parses the short
// format on each call but allocates nothing and converts numbers without
// the C library's locale machinery. The scene tests compare it with sscanf.
#pragma once

#include <cstddef>

constexpr std::size_t kScanWordSize = 100;

int ScanFormat(const char* input, const char* format, ...) __attribute__((format(scanf, 2, 3)));
