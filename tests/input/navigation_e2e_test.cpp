// End to end through tarnview-headless: a script selects the camera and
// flies it; the scene dump gives its position and the final screenshot
// shows the frame-rate line. Skipped when the runner has not been built.
#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path);
    out << text;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The three numbers after `key` (e.g. "\"position\":[") at or after `from`.
bool ReadTriple(const std::string& json, const std::string& key, std::size_t from, double out[3]) {
    std::size_t at = json.find(key, from);
    if (at == std::string::npos) return false;
    return std::sscanf(json.c_str() + at + key.size(), "%lf,%lf,%lf", &out[0], &out[1], &out[2]) == 3;
}

constexpr const char* kObject =
    "3DX\nNumObjects: 1\nObject\nVertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0\n"
    "Vertex list:\nVertex 0: X: -50 Y: 0 Z: 0\nVertex 1: X: 0 Y: 0 Z: 50\nVertex 2: X: 50 Y: 0 Z: 0\n"
    "Face list:\nFace 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1\nSmoothing: 0\n";

constexpr const char* kScene =
    "Actor Database\nActors: 1 Lights: 1\nCamera: X: 0 Y: 0 Z: -400\nLight List:\n"
    "Light 0: X: 0 Y: 100 Z: -100 Intensity: 0.8 Type: OMNI\nActor list:\n"
    "Actor 0: X: 0 Y: 0 Z: 0\nFilename: tri.3dx\nEnd Database\n";

// Frame 0 selects the camera (effective from frame 1); D for five frames
// (+50 x), Q for three (+30 z), then a left-button push away of 20 counts
// (+20 z, forward along the view axis, roll by 0).
constexpr const char* kScript =
    "0 hold P 1\n"
    "1 hold D 5\n"
    "1 hold Q 3\n"
    "7 mouse 0 -20 left\n"
    "10 dump after.json\n";

TEST(NavigationEndToEnd, ScriptFliesTheSelectedCamera) {
    fs::path runner = fs::path(TARNVIEW_BINARY_DIR) / "tarnview-headless";
    if (!fs::exists(runner)) GTEST_SKIP() << "tarnview-headless not built";
    fs::path dir = fs::path(TARNVIEW_BINARY_DIR) / "input_e2e";
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(fs::path(TARNVIEW_SOURCE_DIR) / "examples/fonts/ffont.3df", dir / "ffont.3df");
    WriteFile(dir / "tri.3dx", kObject);
    WriteFile(dir / "scene.scn", kScene);
    WriteFile(dir / "fly.txt", kScript);

    std::string command = "cd '" + dir.string() + "' && '" + runner.string() +
                          "' --frames 12 --no-calibrate --script fly.txt --screenshot shot.png scene.scn"
                          " > out.txt 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFile(dir / "out.txt");

    std::string json = ReadFile(dir / "after.json");
    double camera[3], actor[3];
    std::size_t cameraAt = json.find("\"camera\"");
    std::size_t actorsAt = json.find("\"actors\"");
    ASSERT_NE(cameraAt, std::string::npos) << json;
    ASSERT_NE(actorsAt, std::string::npos) << json;
    ASSERT_TRUE(ReadTriple(json, "\"position\":[", cameraAt, camera)) << json;
    ASSERT_TRUE(ReadTriple(json, "\"position\":[", actorsAt, actor)) << json;
    EXPECT_EQ(camera[0], 50.0);
    EXPECT_EQ(camera[1], 0.0);
    EXPECT_EQ(camera[2], -350.0);
    EXPECT_EQ(actor[0], 0.0);
    EXPECT_EQ(actor[1], 0.0);
    EXPECT_EQ(actor[2], 0.0);
    EXPECT_NE(json.find("\"SelectedActor\":-1"), std::string::npos);

    // The frame-rate line "PERF: <n>.<nn> FPS" sits 5 pixels from the
    // bottom-left corner in 15 x 20 cells: "PERF:" has ink, the space after
    // it none.
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load((dir / "shot.png").c_str(), &width, &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    ASSERT_EQ(width, 640);
    ASSERT_EQ(height, 480);
    auto ink = [&](int x0, int x1) {
        int lit = 0;
        // Image rows run top to bottom: screen y 5..25 is rows 455..475.
        for (int row = 455; row < 475; ++row)
            for (int x = x0; x < x1; ++x) {
                const stbi_uc* p = pixels + (row * width + x) * 3;
                lit += p[0] > 128 && p[1] > 128 && p[2] > 128;
            }
        return lit;
    };
    for (int cell = 0; cell < 5; ++cell) EXPECT_GT(ink(5 + 15 * cell, 20 + 15 * cell), 5) << "cell " << cell;
    EXPECT_EQ(ink(5 + 15 * 5 + 1, 5 + 15 * 6 - 1), 0);
    stbi_image_free(pixels);
}

}  // namespace
