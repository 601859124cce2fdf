// The hand-written scanner against the C library's sscanf, on the loaders'
// own formats: every difference in the count or in a stored value fails,
// except where the scanner departs from sscanf on purpose: it reads only
// decimal numbers (no "0x", "inf", "nan") and refuses whole numbers that do
// not fit their field instead of wrapping them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "scene/format_scan.h"

namespace {

bool SameFloat(float a, float b) { return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0; }

// Whether the line holds text that sscanf reads as a number and the scanner
// does not: hexadecimal, infinity or not-a-number.
bool HasFloatExtension(std::string line) {
    std::transform(line.begin(), line.end(), line.begin(), [](unsigned char c) { return std::tolower(c); });
    return line.find("0x") != std::string::npos || line.find("inf") != std::string::npos ||
           line.find("nan") != std::string::npos;
}

// A whole number out of 32-bit range needs at least 10 digits in a row.
bool HasTenDigits(const std::string& line) {
    int run = 0;
    for (char c : line) {
        run = std::isdigit(static_cast<unsigned char>(c)) ? run + 1 : 0;
        if (run >= 10) return true;
    }
    return false;
}

// What the input lacks for the format, after scanning it again.
std::string Describe(const char* input, const char* format, ...) {
    va_list args;
    va_start(args, format);
    ScanStop stop;
    ScanFormatV(input, format, args, &stop);
    va_end(args);
    return DescribeScanStop(stop);
}

// Runs both scanners on one input with a face-like and a light-like format
// and reports the first difference. A scan the scanner refuses as out of
// range is checked to hold a long number instead.
void ExpectSameAsSscanf(const std::string& input) {
    SCOPED_TRACE("input: \"" + input + "\"");
    const bool floatsDiffer = HasFloatExtension(input);
    const bool longNumber = HasTenDigits(input);
    {
        int a[7] = {11, 12, 13, 14, 15, 16, 17}, b[7] = {11, 12, 13, 14, 15, 16, 17};
        const char* fmt = "Face %d: A: %d B: %d C: %d AB: %d BC: %d CA: %d\n";
        int ra = ScanFormat(input.c_str(), fmt, &a[0], &a[1], &a[2], &a[3], &a[4], &a[5], &a[6]);
        int rb = std::sscanf(input.c_str(), fmt, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6]);
        if (ra == kScanOutOfRange) {
            ASSERT_TRUE(longNumber);
        } else {
            ASSERT_EQ(ra, rb);
            for (int i = 0; i < 7; ++i) ASSERT_EQ(a[i], b[i]) << "value " << i;
        }
    }
    if (!floatsDiffer) {
        int na = 5, nb = 5;
        float a[4] = {1, 2, 3, 4}, b[4] = {1, 2, 3, 4};
        char wa[kScanWordSize] = "prev", wb[kScanWordSize] = "prev";
        const char* fmt = "Light %d: X: %f Y: %f Z: %f Intensity: %f Type: %s\n";
        int ra = ScanFormat(input.c_str(), fmt, &na, &a[0], &a[1], &a[2], &a[3], wa);
        int rb = std::sscanf(input.c_str(), fmt, &nb, &b[0], &b[1], &b[2], &b[3], wb);
        if (ra == kScanOutOfRange) {
            ASSERT_TRUE(longNumber);
            return;
        }
        ASSERT_EQ(ra, rb);
        ASSERT_EQ(na, nb);
        for (int i = 0; i < 4; ++i) ASSERT_TRUE(SameFloat(a[i], b[i])) << "value " << i << ": " << a[i] << " vs " << b[i];
        ASSERT_STREQ(wa, wb);
    }
    {
        unsigned a = 7, b = 7;
        int ra = ScanFormat(input.c_str(), "Smoothing: %u\n", &a);
        int rb = std::sscanf(input.c_str(), "Smoothing: %u\n", &b);
        if (ra == kScanOutOfRange) {
            ASSERT_TRUE(longNumber);
        } else {
            ASSERT_EQ(ra, rb);
            ASSERT_EQ(a, b);
        }
    }
    if (!floatsDiffer) {
        float a = 9, b = 9;
        int ra = ScanFormat(input.c_str(), "%f", &a);
        int rb = std::sscanf(input.c_str(), "%f", &b);
        ASSERT_EQ(ra, rb);
        ASSERT_TRUE(SameFloat(a, b)) << a << " vs " << b;
    }
}

TEST(FormatScan, MatchesSscanfOnWrittenCases) {
    const std::vector<std::string> cases = {
        "Face 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 0\n",
        "Face0:A:0B:1C:2AB:1BC:1CA:0",
        "Face 3: A:\t-7 B: +8 C: 0009 AB: 1 BC: 1 CA: 0 trailing text",
        "Face 3: A: 1 B: 2",
        "Face list:\n",
        "Face 1: A: x",
        "Face 1: A: -",
        "",
        "   ",
        "\tFace 0: A: 0",
        "Light 0: X: 0 Y: 100 Z: -100 Intensity: 0.8 Type: OMNI\n",
        "Light 1: X: 1.5e3 Y: -.25 Z: 5. Intensity: 1e-3 Type: DIRECTIONAL_LIGHT extra",
        "Light 1: X: 1 Y: 2 Z: 3 Intensity: 4\n",
        "Light 1: X: 1 Y: 2 Z: 3 Intensity: 4 Type:",
        "Light 1: X: 1e Y: 2",
        "Light 1: X: 1e+ Y: 2",
        "Light 1: X: 1e+Y: 2",
        "Light 1: X: 1.5.5 Y: 2",
        "Light 1: X: . Y: 2",
        "Light 1: X: -. Y: 2",
        "Face 1: A: 2147483647 B: -2147483648 C: 0000000000002 AB: -0 BC: +1 CA: 0",
        "Light 1: X: infinit Y: 2",
        "Light 1: X: na Y: 2",
        "Light 1: X: 1e39 Y: 1e-39 Z: 1e-50 Intensity: -1e40 Type: t",
        "Light 1: X: 0.1 Y: 0.2 Z: 0.3 Intensity: 3.4028235e38 Type: t",
        "Light 1: X: 1.00000005960464477539062 Y: 0.000000000000000000000000000000000000011754942 Z: 1 Intensity: 1",
        "Light 1: X: +-1 Y: 2",
        "Light 1: X: - Y: 2",
        "Light 1: X: +",
        "Smoothing: \n",
        "Smoothing:",
        "Smoothing: -1",
        "Smoothing: 4294967295",
        "Smoothing: -4294967295",
        "Smoothing: 3 5",
        "Smoothing:\n\n7",
        "1,5",
        "007.50e-1",
        "-0",
        "1e308",
    };
    for (const std::string& input : cases) ExpectSameAsSscanf(input);
}

// Random lines built from pieces of the formats and of numbers.
TEST(FormatScan, MatchesSscanfOnRandomLines) {
    const std::vector<std::string> pieces = {
        "Face", "Light", "Smoothing:", " ", " ", "\t", "\n", ":", "A:", "B:", "C:", "AB:", "BC:", "CA:", "X:", "Y:",
        "Z:", "Intensity:", "Type:", "OMNI", "0", "1", "7", "42", "-", "+", ".", "e", "E", "5", "123456789", "0x",
        "f", "p", "inf", "nan", "i", "n", "9999999999", ",", "x", "1.25", "-0.5", "3e-2", "%"};
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> count(1, 24);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    for (int iteration = 0; iteration < 40000; ++iteration) {
        std::string line;
        int n = count(random);
        // Start most lines with a real prefix so that the scans get deep.
        switch (iteration % 4) {
        case 0: line = "Face 1: A: "; break;
        case 1: line = "Light 2: X: "; break;
        case 2: line = "Smoothing: "; break;
        default: break;
        }
        for (int i = 0; i < n; ++i) line += pieces[pick(random)];
        if (line.size() > 99) line.resize(99);
        ExpectSameAsSscanf(line);
        if (HasFatalFailure()) return;
    }
}

// Where the scanner departs from sscanf: numbers are decimal only (what
// follows a leading "0" of "0x10" is text that does not match), and a whole
// number that does not fit its field stops the scan as out of range.
TEST(FormatScan, DecimalOnlyAndNumbersThatDoNotFit) {
    struct Case {
        const char* input;
        const char* format;  // one or two %f, or one %d / %u
        int result;
        double first;  // the first value stored, when result > 0
        const char* why;  // DescribeScanStop after the scan
    };
    const Case cases[] = {
        {"X: 0x10", "X: %f", 1, 0.0, "the line holds every value"},
        {"X: 0x10 Y: 2", "X: %f Y: %f", 1, 0.0, "expected \"Y:\", found \"x10\""},
        {"Specularity: 0x1p4", "Specularity: %f", 1, 0.0, "the line holds every value"},
        {"X: -0X.8p1", "X: %f", 1, -0.0, "the line holds every value"},
        {"X: inf Y: 2", "X: %f Y: %f", 0, 0, "expected a number after \"X:\", found \"inf\""},
        {"X: -Infinity", "X: %f", 0, 0, "expected a number after \"X:\", found \"-Infinity\""},
        {"X: nan", "X: %f", 0, 0, "expected a number after \"X:\", found \"nan\""},
        {"X: 1.5 Y:", "X: %f Y: %f", 1, 1.5, "expected a number after \"Y:\", found the end of the line"},
        {"X: \x01\"\xff", "X: %f", 0, 0, "expected a number after \"X:\", found \"\\x01\\\"\\xff\""},
        {"Actors: 2147483647", "Actors: %d", 1, 2147483647.0, "the line holds every value"},
        {"Actors: -2147483648", "Actors: %d", 1, -2147483648.0, "the line holds every value"},
        {"Actors: 2147483648", "Actors: %d", kScanOutOfRange, 0,
         "the number after \"Actors:\", \"2147483648\", does not fit a 32-bit field"},
        {"Actors: 4294967297", "Actors: %d", kScanOutOfRange, 0, nullptr},
        {"Actors: -2147483649", "Actors: %d", kScanOutOfRange, 0, nullptr},
        {"Lights: 99999999999", "Lights: %d", kScanOutOfRange, 0, nullptr},
        {"A: 123456789012345678901234567890", "A: %d", kScanOutOfRange, 0, nullptr},
        {"Smoothing: 4294967295", "Smoothing: %u", 1, 4294967295.0, "the line holds every value"},
        {"Smoothing: -1", "Smoothing: %u", 1, 4294967295.0, "the line holds every value"},
        {"Smoothing: 4294967296", "Smoothing: %u", kScanOutOfRange, 0,
         "the number after \"Smoothing:\", \"4294967296\", does not fit an unsigned 32-bit field"},
        {"Smoothing: -99999999999999999999999", "Smoothing: %u", kScanOutOfRange, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        int result = 0;
        double first = 0.0;
        std::string why;
        const char conversion = std::strchr(c.format, '%')[1];
        if (conversion == 'f') {
            float a = -7.0f, b = -7.0f;
            result = ScanFormat(c.input, c.format, &a, &b);
            first = a;
            why = Describe(c.input, c.format, &a, &b);
        } else if (conversion == 'd') {
            int a = -7;
            result = ScanFormat(c.input, c.format, &a);
            first = a;
            why = Describe(c.input, c.format, &a);
        } else {
            unsigned a = 7;
            result = ScanFormat(c.input, c.format, &a);
            first = a;
            why = Describe(c.input, c.format, &a);
        }
        EXPECT_EQ(result, c.result);
        if (c.result > 0) {
            EXPECT_EQ(first, c.first);
        }
        if (c.why != nullptr) {
            EXPECT_EQ(why, c.why);
        }
    }
}

TEST(FormatScan, WordsStopAtWhiteSpaceAndFitTheLine) {
    char word[kScanWordSize] = "";
    std::string longWord(98, 'w');
    EXPECT_EQ(ScanFormat(("Texture: " + longWord + " rest").c_str(), "Texture: %s\n", word), 1);
    EXPECT_EQ(std::string(word), longWord);
    EXPECT_EQ(ScanFormat("Texture:wood.3df\n", "Texture: %s\n", word), 1);
    EXPECT_STREQ(word, "wood.3df");
}

}  // namespace
