// End to end: the example scenes of examples/render run through the
// headless program, their screenshots checked against the geometry and
// against reviewed reference images. Skipped until the headless program
// and the font exist. Set TARNVIEW_UPDATE_REFERENCES=1 to rewrite the
// references (review them before committing).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(TARNVIEW_SOURCE_DIR) / "examples" / "render";
const fs::path kFont = fs::path(TARNVIEW_SOURCE_DIR) / "examples" / "fonts" / "ffont.3df";
const fs::path kProgram = fs::path(TARNVIEW_BINARY_DIR) / "tarnview-headless";

constexpr int kW = 640;
constexpr int kH = 480;
// Image rows from the top that hold the view area and its frame; the rows
// below hold the frame-rate text, which differs from run to run.
constexpr int kViewRows = 440;

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // top row first
    const std::uint8_t* At(int x, int screenY) const {
        // screenY counts from the bottom, as the renderer does.
        return &rgb[(static_cast<std::size_t>(height - 1 - screenY) * width + x) * 3];
    }
};

bool LoadPng(const fs::path& path, Image* image) {
    int channels = 0;
    std::uint8_t* data = stbi_load(path.c_str(), &image->width, &image->height, &channels, 3);
    if (data == nullptr) return false;
    image->rgb.assign(data, data + static_cast<std::size_t>(image->width) * image->height * 3);
    stbi_image_free(data);
    return true;
}

// Runs one example scene in a fresh folder (the font must sit in the
// current directory) and loads its screenshot.
Image RenderScene(const std::string& name) {
    const fs::path dir = fs::path(TARNVIEW_BINARY_DIR) / "render_scenes" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(kExamples)) {
        if (entry.is_regular_file()) fs::copy_file(entry.path(), dir / entry.path().filename());
    }
    fs::copy_file(kFont, dir / "ffont.3df");
    const std::string command = "cd '" + dir.string() + "' && '" + kProgram.string() +
                                "' --frames 2 --no-calibrate --screenshot shot.png " + name +
                                ".scn > run.log 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    Image image;
    EXPECT_TRUE(LoadPng(dir / "shot.png", &image)) << name;
    if (std::getenv("TARNVIEW_UPDATE_REFERENCES") != nullptr) {
        fs::copy_file(dir / "shot.png", kExamples / "reference" / (name + ".png"),
                      fs::copy_options::overwrite_existing);
    }
    return image;
}

class RenderScenes : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kProgram)) GTEST_SKIP() << "no " << kProgram;
        if (!fs::exists(kFont)) GTEST_SKIP() << "no " << kFont;
    }

    // Pixels of the view area that differ from the reference by more than
    // the dither in any channel.
    static int DiffersFromReference(const std::string& name, const Image& image) {
        Image ref;
        if (!LoadPng(kExamples / "reference" / (name + ".png"), &ref)) return -1;
        if (ref.width != image.width || ref.height != image.height) return -1;
        int differing = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(kViewRows) * kW * 3; i += 3) {
            for (int c = 0; c < 3; ++c) {
                if (std::abs(int(image.rgb[i + c]) - int(ref.rgb[i + c])) > 12) {
                    ++differing;
                    break;
                }
            }
        }
        return differing;
    }
};

bool IsScreen(const Image& image) { return image.width == kW && image.height == kH; }

bool IsBlack(const std::uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }

TEST_F(RenderScenes, FlatQuadCoversItsRectangleInItsLitColour) {
    const Image image = RenderScene("flat_quad");
    ASSERT_TRUE(IsScreen(image)) << "flat_quad: no screenshot";
    // A 2 x 2 square at depth 4: edges at 320 +- 110.72 and 240 +- 110.72
    // (pixel centres 209.5 .. 430.5 and 129.5 .. 350.5 are inside).
    int wrong = 0;
    for (int y = 50; y < 430; ++y) {
        for (int x = 66; x < 575; ++x) {
            const bool inside = x >= 210 && x <= 430 && y >= 130 && y <= 350;
            const bool outside = x < 209 || x > 431 || y < 129 || y > 351;
            const std::uint8_t* p = image.At(x, y);
            if (inside) {
                // Diffuse (0.8, 0.4, 0.2) lit head-on: (204, 102, 51) within the dither.
                wrong += std::abs(p[0] - 204) > 9 || std::abs(p[1] - 102) > 5 || std::abs(p[2] - 51) > 9;
            } else if (outside) {
                wrong += !IsBlack(p);
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(DiffersFromReference("flat_quad", image), 0);
}

TEST_F(RenderScenes, TwoSidedFaceShowsItsBackAndOneSidedIsCulled) {
    const Image image = RenderScene("two_sided");
    ASSERT_TRUE(IsScreen(image)) << "two_sided: no screenshot";
    // Left square (green material, two-sided) is drawn; the right one is not.
    const std::uint8_t* left = image.At(230, 240);
    EXPECT_GT(left[1], 200);
    EXPECT_LT(left[0], 100);
    EXPECT_TRUE(IsBlack(image.At(410, 240)));
    EXPECT_EQ(DiffersFromReference("two_sided", image), 0);
}

TEST_F(RenderScenes, TexturedQuadShowsTheChecker) {
    const Image image = RenderScene("textured_quad");
    ASSERT_TRUE(IsScreen(image)) << "textured_quad: no screenshot";
    // Texel (0, 0) is yellow, the next square along u blue; u runs along x,
    // v along y. Square size on screen: 221.44 / 8 = 27.7 pixels.
    const std::uint8_t* first = image.At(223, 143);
    const std::uint8_t* second = image.At(251, 143);
    EXPECT_GT(first[0], 200);
    EXPECT_GT(first[1], 200);
    EXPECT_LT(first[2], 40);
    EXPECT_LT(second[0], 40);
    EXPECT_GT(second[2], 200);
    EXPECT_EQ(DiffersFromReference("textured_quad", image), 0);
}

TEST_F(RenderScenes, FogDarkensWithDepth) {
    const Image image = RenderScene("fog_columns");
    ASSERT_TRUE(IsScreen(image)) << "fog_columns: no screenshot";
    int previous = 1000;
    for (int k = 0; k < 5; ++k) {
        const std::uint8_t* p = image.At(120 + 100 * k, 240);
        const int brightness = p[0] + p[1] + p[2];
        EXPECT_LT(brightness, previous) << k;
        previous = brightness;
    }
    EXPECT_EQ(DiffersFromReference("fog_columns", image), 0);
}

TEST_F(RenderScenes, FloorIsClippedAtNearPlaneAndFrame) {
    const Image image = RenderScene("clip_floor");
    ASSERT_TRUE(IsScreen(image)) << "clip_floor: no screenshot";
    int spilled = 0;
    for (int y = 0; y < 48; ++y) {
        // Below the frame only the text may be drawn (it sits at x < 300).
        for (int x = 300; x < kW; ++x) spilled += !IsBlack(image.At(x, y));
    }
    for (int y = 48; y < kH; ++y) {
        for (int x = 0; x < 64; ++x) spilled += !IsBlack(image.At(x, y));
        for (int x = 577; x < kW; ++x) spilled += !IsBlack(image.At(x, y));
    }
    EXPECT_EQ(spilled, 0);
    // The floor fills the lower half of the view up to the horizon.
    EXPECT_FALSE(IsBlack(image.At(320, 50)));
    EXPECT_FALSE(IsBlack(image.At(70, 200)));
    EXPECT_TRUE(IsBlack(image.At(320, 300)));
    EXPECT_EQ(DiffersFromReference("clip_floor", image), 0);
}

TEST_F(RenderScenes, SpheresMatchTheirReference) {
    const Image image = RenderScene("smooth_sphere");
    ASSERT_TRUE(IsScreen(image)) << "smooth_sphere: no screenshot";
    EXPECT_EQ(DiffersFromReference("smooth_sphere", image), 0);
    // Gouraud shading leaves no hard step between neighbouring pixels
    // across the lit face of the left sphere; the flat sphere has steps.
    auto maxStep = [&](int x0, int x1, int y) {
        int step = 0;
        for (int x = x0; x < x1; ++x) {
            step = std::max(step, std::abs(image.At(x + 1, y)[2] - image.At(x, y)[2]));
        }
        return step;
    };
    EXPECT_LT(maxStep(150, 230, 240), 20);
    EXPECT_GT(maxStep(380, 480, 240), 20);
}

}  // namespace
