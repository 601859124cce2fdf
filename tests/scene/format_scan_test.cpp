// The hand-written scanner against the C library's sscanf, on the loaders'
// own formats: every difference in the count or in a stored value fails.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "scene/format_scan.h"

namespace {

bool SameFloat(float a, float b) { return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0; }

// Runs both scanners on one input with a face-like and a light-like format
// and reports the first difference.
void ExpectSameAsSscanf(const std::string& input) {
    SCOPED_TRACE("input: \"" + input + "\"");
    {
        int a[7] = {11, 12, 13, 14, 15, 16, 17}, b[7] = {11, 12, 13, 14, 15, 16, 17};
        const char* fmt = "Face %d: A: %d B: %d C: %d AB: %d BC: %d CA: %d\n";
        int ra = ScanFormat(input.c_str(), fmt, &a[0], &a[1], &a[2], &a[3], &a[4], &a[5], &a[6]);
        int rb = std::sscanf(input.c_str(), fmt, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6]);
        ASSERT_EQ(ra, rb);
        for (int i = 0; i < 7; ++i) ASSERT_EQ(a[i], b[i]) << "value " << i;
    }
    {
        int na = 5, nb = 5;
        float a[4] = {1, 2, 3, 4}, b[4] = {1, 2, 3, 4};
        char wa[kScanWordSize] = "prev", wb[kScanWordSize] = "prev";
        const char* fmt = "Light %d: X: %f Y: %f Z: %f Intensity: %f Type: %s\n";
        int ra = ScanFormat(input.c_str(), fmt, &na, &a[0], &a[1], &a[2], &a[3], wa);
        int rb = std::sscanf(input.c_str(), fmt, &nb, &b[0], &b[1], &b[2], &b[3], wb);
        ASSERT_EQ(ra, rb);
        ASSERT_EQ(na, nb);
        for (int i = 0; i < 4; ++i) ASSERT_TRUE(SameFloat(a[i], b[i])) << "value " << i << ": " << a[i] << " vs " << b[i];
        ASSERT_STREQ(wa, wb);
    }
    {
        unsigned a = 7, b = 7;
        int ra = ScanFormat(input.c_str(), "Smoothing: %u\n", &a);
        int rb = std::sscanf(input.c_str(), "Smoothing: %u\n", &b);
        ASSERT_EQ(ra, rb);
        ASSERT_EQ(a, b);
    }
    {
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
        "Face 1: A: 99999999999 B: -99999999999 C: 2147483648 AB: -2147483649 BC: 0 CA: 0",
        "Face 1: A: 123456789012345678901234567890",
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
        "Light 1: X: 0x1p3 Y: 0x Z: 0xg Intensity: 0X.8p1 Type: t",
        "Light 1: X: inf Y: -Infinity Z: nan Intensity: NAN Type: t",
        "Light 1: X: infinit Y: 2",
        "Light 1: X: infx Y: 2",
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
        "Smoothing: 4294967296",
        "Smoothing: -99999999999999999999999",
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

TEST(FormatScan, WordsStopAtWhiteSpaceAndFitTheLine) {
    char word[kScanWordSize] = "";
    std::string longWord(98, 'w');
    EXPECT_EQ(ScanFormat(("Texture: " + longWord + " rest").c_str(), "Texture: %s\n", word), 1);
    EXPECT_EQ(std::string(word), longWord);
    EXPECT_EQ(ScanFormat("Texture:wood.3df\n", "Texture: %s\n", word), 1);
    EXPECT_STREQ(word, "wood.3df");
}

}  // namespace
