// The key table, the depth switch, activation and the default handling.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/app_globals.h"
#include "app/render_flags.h"
#include "app/window_proc.h"
#include "call_recorder.h"

using ::testing::ElementsAre;

namespace {

class WindowProcTest : public ::testing::Test {
protected:
    void SetUp() override { ResetShellState(); }
    void Key(WPARAM key) { WindowProc(nullptr, WM_KEYDOWN, key, 0); }
    std::vector<std::string> GlideCalls() { return CallsMatching({"gr", "gu"}); }
};

struct FlagKey {
    WPARAM key;
    std::uint32_t bit;
};

// Keys that flip one bit and call nothing else.
const FlagKey kPlainFlagKeys[] = {
    {VK_BACK, RF_MIPMAP},          {VK_SPACE, RF_TEXTURES},
    {VK_PRIOR, RF_OMNI_LIGHTS},    {VK_NEXT, RF_DIRECTIONAL_LIGHTS},
    {VK_HOME, RF_TWO_SIDED_FACES}, {'M', RF_FAST_SPECULAR},
    {VK_F1, RF_FLAT_SHADING},      {VK_F2, RF_ANTIALIAS},
    {VK_F3, RF_BACKFACE_CULL},     {VK_F4, RF_FLIP_FACING},
    {VK_F5, RF_LIGHT_BOTH_SIDES},  {VK_F7, RF_SPECULAR},
    {VK_F8, RF_IGNORE_TEXTURE_AMOUNT}, {VK_F9, RF_BILINEAR},
};

// The start-up flags are exactly the listed bits.
static_assert(RENDER_FLAGS_INITIAL == 0x3E768u);
static_assert(RENDER_FLAGS_INITIAL == (RF_BACKFACE_CULL | RF_WBUFFER | RF_SPECULAR | RF_MIPMAP | RF_BILINEAR |
                                       RF_TEXTURES | RF_FOG | RF_TWO_SIDED_FACES | RF_OMNI_LIGHTS |
                                       RF_DIRECTIONAL_LIGHTS | RF_FAST_SPECULAR));

TEST_F(WindowProcTest, EachFlagKeyFlipsItsOneBitOnEveryPressIncludingRepeats) {
    for (const FlagKey& entry : kPlainFlagKeys) {
        SCOPED_TRACE(entry.key);
        const std::uint32_t before = RenderFlags;
        Key(entry.key);
        EXPECT_EQ(RenderFlags, before ^ entry.bit);
        Key(entry.key);  // auto-repeat: flips back
        EXPECT_EQ(RenderFlags, before);
    }
    EXPECT_TRUE(GlideCalls().empty());
}

TEST_F(WindowProcTest, TabInitialisesMultipassOnlyWhenSwitchingItOn) {
    Key(VK_TAB);
    EXPECT_TRUE(RenderFlags & RF_MULTIPASS);
    Key(VK_TAB);
    EXPECT_FALSE(RenderFlags & RF_MULTIPASS);
    Key(VK_TAB);
    EXPECT_THAT(GlideCalls(), ElementsAre("guMPInit()", "guMPInit()"));
}

TEST_F(WindowProcTest, EndSwitchesTableFogOffAndOn) {
    Key(VK_END);
    EXPECT_FALSE(RenderFlags & RF_FOG);
    Key(VK_END);
    EXPECT_TRUE(RenderFlags & RF_FOG);
    EXPECT_THAT(GlideCalls(), ElementsAre("grFogMode(0)", "grFogMode(2)"));
}

TEST_F(WindowProcTest, F11SwitchesMipmapDitherHint) {
    Key(VK_F11);
    EXPECT_TRUE(RenderFlags & RF_MIPMAP_DITHER);
    Key(VK_F11);
    EXPECT_FALSE(RenderFlags & RF_MIPMAP_DITHER);
    EXPECT_THAT(GlideCalls(), ElementsAre("grHints(3,3)", "grHints(3,0)"));
}

TEST_F(WindowProcTest, F6SwitchesDepthModeAndTheClearDepthFollows) {
    EXPECT_EQ(ClearDepthForFlags(RenderFlags), 0xFFFF);
    Key(VK_F6);
    EXPECT_FALSE(RenderFlags & RF_WBUFFER);
    EXPECT_EQ(ClearDepthForFlags(RenderFlags), 0x0000);
    Key(VK_F6);
    EXPECT_TRUE(RenderFlags & RF_WBUFFER);
    EXPECT_EQ(ClearDepthForFlags(RenderFlags), 0xFFFF);
    EXPECT_THAT(GlideCalls(), ElementsAre("grDepthBufferMode(1)", "grDepthBufferFunction(4)", "grDepthBufferMode(2)",
                                          "grDepthBufferFunction(1)"));
}

TEST_F(WindowProcTest, PlusAndMinusStepSpecularityWithoutBounds) {
    Key(VK_ADD);
    EXPECT_FLOAT_EQ(Scene.specularity, 410.0f);
    for (int i = 0; i < 50; ++i) Key(VK_SUBTRACT);
    EXPECT_FLOAT_EQ(Scene.specularity, -90.0f);
    EXPECT_EQ(RenderFlags, RENDER_FLAGS_INITIAL);
}

TEST_F(WindowProcTest, OtherKeysDoNothing) {
    for (WPARAM key : {WPARAM{VK_F10}, WPARAM{'A'}, WPARAM{'N'}, WPARAM{VK_RETURN}, WPARAM{VK_OEM_PLUS},
                       WPARAM{0x7C}, WPARAM{0x1FF}}) {
        Key(key);
    }
    EXPECT_EQ(RenderFlags, RENDER_FLAGS_INITIAL);
    EXPECT_FLOAT_EQ(Scene.specularity, 400.0f);
    EXPECT_TRUE(GlideCalls().empty());
}

TEST_F(WindowProcTest, ActivationSwitchesPassthroughOnlyOnceGlideIsReady) {
    WindowProc(nullptr, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(AppActive, 1);
    EXPECT_TRUE(GlideCalls().empty());
    GlideReady = 1;
    WindowProc(nullptr, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(AppActive, 0);
    WindowProc(nullptr, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_EQ(AppActive, 2);
    EXPECT_THAT(GlideCalls(), ElementsAre("grSstPassthruMode(0)", "grSstPassthruMode(1)"));
}

TEST_F(WindowProcTest, EveryMessageGoesOnToTheDefaultHandling) {
    WindowProc(nullptr, WM_KEYDOWN, VK_F3, 0);
    WindowProc(nullptr, WM_ACTIVATE, WA_ACTIVE, 0);
    WindowProc(nullptr, 0x0201, 0, 0);
    EXPECT_THAT(CallsMatching({"DefWindowProcA"}),
                ElementsAre("DefWindowProcA(0x100)", "DefWindowProcA(0x6)", "DefWindowProcA(0x201)"));
}

TEST_F(WindowProcTest, DestroyShutsGlideDownAndPostsQuit) {
    WindowProc(nullptr, WM_DESTROY, 0, 0);
    EXPECT_THAT(CallsMatching({"grGlideShutdown", "PostQuitMessage"}),
                ElementsAre("grGlideShutdown()", "PostQuitMessage(0)"));
}

}  // namespace
