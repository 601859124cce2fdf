// Device set-up: its calls and the floating-point state it leaves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "call_recorder.h"
#include "render/color_combine.h"
#include "render/init_graphics.h"

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

using ::testing::ElementsAre;

namespace {

TEST(InitGraphicsTest, MakesEveryCallInOrderWithItsValues) {
    ResetShellState();
    InitGraphics();
    EXPECT_THAT(CallLog,
                ElementsAre("grGlideInit()", "grSstQueryHardware()", "grSstSelect(0)", "grSstOpen(7,0,2,1,0,2)",
                            "guTexCombineFunction(0,1)", "grAlphaCombine(3,8,1,0,0)", "grAlphaBlendFunction(1,5,0,0)",
                            "grDepthBufferMode(2)", "grDepthBufferFunction(1)", "grDepthMask(1)",
                            "guFogGenerateExp2(0.0002)", "grFogTable(0,252)", "grFogColorValue(0)", "grFogMode(2)"));
    // The colour combine was already ITRGB: no call, and the value stays.
    EXPECT_EQ(CurrentColorCombine, GR_COLORCOMBINE_ITRGB);
}

TEST(InitGraphicsTest, RequestsItrgbWhenAnotherCombineIsCurrent) {
    ResetShellState();
    CurrentColorCombine = GR_COLORCOMBINE_DECAL_TEXTURE;
    InitGraphics();
    EXPECT_EQ(CallsMatching({"guColorCombineFunction"}), std::vector<std::string>{"guColorCombineFunction(2)"});
    EXPECT_EQ(CurrentColorCombine, GR_COLORCOMBINE_ITRGB);
}

#if defined(__x86_64__) || defined(__i386__)
TEST(InitGraphicsTest, LeavesRoundToNearestWithExceptionsMasked) {
    ResetShellState();
    _mm_setcsr(0x6000 | 0x0040);  // round toward zero, DAZ, exceptions unmasked
    InitGraphics();
    EXPECT_EQ(_mm_getcsr() & ~0x3Fu, 0x1F80u);  // status flags aside
    // Round to nearest: 1 + 2^-24 rounds to 1, 1 + 3 * 2^-24 rounds up.
    volatile float one = 1.0f;
    volatile float tiny = 5.9604645e-8f;
    EXPECT_EQ(one + tiny, 1.0f);
    EXPECT_EQ(one + 3.0f * tiny, 1.0f + 2.0f * 1.1920929e-7f);
}
#endif

}  // namespace
