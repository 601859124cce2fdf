// Device traces: a run recorded through the linker-wrapped calls replays to
// the same pixels, the preamble carries what was set before the traced
// frames, and damaged files are refused with a message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "glide.h"
#include "glide_device.h"
#include "glide_trace.h"
#include "gu3df_io.h"
#include "trace_format.h"
#include "trace_replay.h"

namespace {

using glide_trace::Op;

std::string TempPath(const char* name) { return std::string(TARNVIEW_BINARY_DIR) + "/tests/" + name; }

void OpenDevice() {
    GrHwConfiguration hw{};
    grGlideInit();
    ASSERT_NE(grSstQueryHardware(&hw), FXFALSE);
    grSstSelect(0);
    ASSERT_NE(grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_LOWER_LEFT,
                        GR_SMOOTHING_DISABLE, 2),
              FXFALSE);
}

std::vector<std::uint16_t> FrontBuffer() {
    std::vector<std::uint16_t> pixels(glide::kScreenWidth * glide::kScreenHeight);
    EXPECT_NE(grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 0, 0, glide::kScreenWidth, glide::kScreenHeight,
                              glide::kScreenWidth * 2, pixels.data()),
              FXFALSE);
    return pixels;
}

GrVertex Vertex(float x, float y, float w, float r, float g, float b, float s = 0.0f, float t = 0.0f) {
    GrVertex v{};
    v.x = x;
    v.y = y;
    v.oow = 1.0f / w;
    v.ooz = 65535.0f / w;
    v.r = r;
    v.g = g;
    v.b = b;
    v.a = 255.0f;
    v.tmuvtx[0].sow = s / w;
    v.tmuvtx[0].tow = t / w;
    v.tmuvtx[0].oow = 1.0f / w;
    return v;
}

// A 64x64 RGB565 checkerboard with all its levels, a different tint per
// level so that the chosen level shows in the picture.
GrMipMapId_t DownloadCheckerTexture() {
    const std::uint32_t bytes = glide::TextureBytes(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_64, GR_ASPECT_1x1);
    std::vector<std::uint16_t> texels(bytes / 2);
    std::size_t at = 0;
    for (int edge = 64, level = 0; edge >= 1; edge /= 2, ++level) {
        for (int y = 0; y < edge; ++y) {
            for (int x = 0; x < edge; ++x) {
                const bool dark = ((x / 4) + (y / 4)) % 2 == 0;
                texels[at++] = static_cast<std::uint16_t>(dark ? (level << 11) : 0xFFFF - (level << 5));
            }
        }
    }
    const GrMipMapId_t handle =
        guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, 64, 64, GR_TEXFMT_RGB_565, GR_MIPMAP_NEAREST, GR_LOD_1,
                            GR_LOD_64, GR_ASPECT_1x1, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                            GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0.0f, FXFALSE);
    // The program's copy is gone before the trace starts: the recorder
    // must have kept its own.
    guTexDownloadMipMap(handle, texels.data(), nullptr);
    std::fill(texels.begin(), texels.end(), 0);
    return handle;
}

// One frame of mixed work: Gouraud, textured, antialiased triangles and a
// line, over a clear. `phase` moves things between frames.
void DrawFrame(GrMipMapId_t texture, int phase) {
    const float d = static_cast<float>(phase) * 13.0f;
    grBufferClear(0x00203040, 0, 0xFFFF);
    guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
    GrVertex a = Vertex(40 + d, 40, 10, 255, 0, 0), b = Vertex(300, 60 + d, 20, 0, 255, 0),
             c = Vertex(150, 400, 5, 0, 0, 255);
    grDrawTriangle(&a, &b, &c);
    guTexSource(texture);
    guTexCombineFunction(GR_TMU0, GR_TEXTURECOMBINE_DECAL);
    guColorCombineFunction(GR_COLORCOMBINE_DECAL_TEXTURE);
    GrVertex ta = Vertex(320, 100, 8, 255, 255, 255, 0, 0), tb = Vertex(620 - d, 120, 30, 255, 255, 255, 256, 0),
             tc = Vertex(480, 460, 12, 255, 255, 255, 128, 256);
    grDrawTriangle(&ta, &tb, &tc);
    guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
    GrVertex aa = Vertex(100, 300 - d, 3, 255, 255, 0), ab = Vertex(250, 320, 3, 255, 0, 255),
             ac = Vertex(180, 460, 3, 0, 255, 255);
    grAADrawTriangle(&aa, &ab, &ac, FXTRUE, FXTRUE, FXTRUE);
    GrVertex la = Vertex(10, 10, 2, 255, 255, 255), lb = Vertex(630, 470 - d, 2, 255, 255, 255);
    grDrawLine(&la, &lb);
    grBufferSwap(1);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(DeviceTrace, ReplayedFramesMatchTheRecordedRunPixelForPixel) {
    const std::string path = TempPath("replay_matches.trace");
    OpenDevice();
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthBufferFunction(GR_CMP_LESS);
    grDepthMask(FXTRUE);
    GrFog_t fog[GR_FOG_TABLE_SIZE];
    guFogGenerateExp2(fog, 0.05f);
    grFogTable(fog);
    grFogColorValue(0x00804020);
    grFogMode(GR_FOG_WITH_TABLE);
    grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE, GR_BLEND_ZERO);
    grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_NONE, FXFALSE);
    grRenderBuffer(GR_BUFFER_BACKBUFFER);
    const GrMipMapId_t texture = DownloadCheckerTexture();
    ASSERT_NE(texture, GR_NULL_MIPMAP_HANDLE);

    // Frames first..first+1 are traced; the frame before sets state the
    // traced ones rely on (the fog mode is changed there, the filter too).
    const auto first = static_cast<std::uint32_t>(GlideTraceFrameCounter() + 1);
    ASSERT_TRUE(GlideTraceConfigure(path.c_str(), first, first + 1)) << GlideTraceError();
    grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED);
    DrawFrame(texture, 0);
    DrawFrame(texture, 1);
    DrawFrame(texture, 2);
    EXPECT_EQ(GlideTraceFramesRecorded(), 2u);
    const std::vector<std::uint16_t> recorded = FrontBuffer();
    grGlideShutdown();

    // The picture has content: several colours, not one clear colour.
    std::vector<std::uint16_t> distinct(recorded);
    std::sort(distinct.begin(), distinct.end());
    EXPECT_GT(std::unique(distinct.begin(), distinct.end()) - distinct.begin(), 20);

    glide_trace::TraceFile trace;
    std::string error;
    ASSERT_TRUE(glide_trace::ReadTraceFile(path.c_str(), &trace, &error)) << error;
    EXPECT_EQ(trace.firstFrame, first);
    EXPECT_EQ(trace.lastFrame, first + 1);
    EXPECT_EQ(trace.framesRecorded, 2u);
    EXPECT_EQ(trace.triangles, 6u);  // two frames of one plain, one textured, one antialiased triangle

    glide_trace::ReplayResult result;
    ASSERT_TRUE(glide_trace::ReplayTrace(trace, {}, &result, &error)) << error;
    EXPECT_EQ(result.framesPerPass, 2u);
    EXPECT_EQ(result.frameSeconds.size(), 2u);
    const std::vector<std::uint16_t> replayed = FrontBuffer();
    grGlideShutdown();
    EXPECT_TRUE(replayed == recorded) << "replayed frame differs from the recorded run";

    // Repeating the frames redraws the same last picture.
    glide_trace::ReplayOptions options;
    options.repeat = 3;
    ASSERT_TRUE(glide_trace::ReplayTrace(trace, options, &result, &error)) << error;
    EXPECT_EQ(result.frameSeconds.size(), 6u);
    EXPECT_TRUE(FrontBuffer() == recorded);
    grGlideShutdown();
}

TEST(DeviceTrace, PreambleHoldsTheLatestStateInCallOrderAndEveryTexture) {
    const std::string path = TempPath("preamble.trace");
    OpenDevice();
    grDepthBufferFunction(GR_CMP_GREATER);
    grDepthBufferFunction(GR_CMP_LESS);  // only this one may reach the preamble
    guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
    const GrMipMapId_t texture = DownloadCheckerTexture();
    const auto first = static_cast<std::uint32_t>(GlideTraceFrameCounter());
    ASSERT_TRUE(GlideTraceConfigure(path.c_str(), first, first)) << GlideTraceError();
    DrawFrame(texture, 0);
    grGlideShutdown();

    glide_trace::TraceFile trace;
    std::string error;
    ASSERT_TRUE(glide_trace::ReadTraceFile(path.c_str(), &trace, &error)) << error;
    std::vector<Op> preamble;
    int depthFunctions = 0;
    for (std::size_t i = 0; i < trace.firstFrameRecord; ++i) {
        preamble.push_back(trace.records[i].op);
        if (trace.records[i].op == Op::kDepthBufferFunction) {
            ++depthFunctions;
            std::int32_t value = -1;
            glide_trace::CopyPayload(trace, trace.records[i], 0, &value, 4);
            EXPECT_EQ(value, GR_CMP_LESS);
        }
    }
    EXPECT_EQ(depthFunctions, 1);
    ASSERT_GE(preamble.size(), 6u);
    EXPECT_EQ(preamble[0], Op::kGlideInit);
    EXPECT_EQ(preamble[1], Op::kSstQueryHardware);
    EXPECT_EQ(preamble[3], Op::kSstOpen);
    const auto at = [&](Op op) { return std::find(preamble.begin(), preamble.end(), op) - preamble.begin(); };
    EXPECT_LT(at(Op::kTexAllocateMemory), at(Op::kTexDownloadMipMap));
    EXPECT_LT(at(Op::kDepthBufferFunction), at(Op::kTexAllocateMemory));
    // The frame itself starts with its marker and ends with its swap.
    ASSERT_LT(trace.firstFrameRecord, trace.records.size());
    EXPECT_EQ(trace.records[trace.firstFrameRecord].op, Op::kFrameBegin);
    EXPECT_EQ(trace.records.back().op, Op::kBufferSwap);
}

TEST(DeviceTrace, ConfigureRefusesBadRequests) {
    const std::string path = TempPath("refused.trace");
    const auto now = static_cast<std::uint32_t>(GlideTraceFrameCounter());
    EXPECT_FALSE(GlideTraceConfigure(path.c_str(), now + 5, now + 4));
    EXPECT_NE(std::string(GlideTraceError()).find("first frame comes after the last"), std::string::npos);
    EXPECT_FALSE(GlideTraceConfigure("/nonexistent-dir/x.trace", now, now + 1));
    EXPECT_NE(std::string(GlideTraceError()).find("could not be created"), std::string::npos);
    if (now > 0) {
        EXPECT_FALSE(GlideTraceConfigure(path.c_str(), now - 1, now + 1));
        EXPECT_NE(std::string(GlideTraceError()).find("already been drawn"), std::string::npos);
    }
}

TEST(DeviceTrace, ProgramEndingBeforeTheLastFrameStillLeavesAValidTrace) {
    const std::string path = TempPath("cut_short.trace");
    OpenDevice();
    const auto first = static_cast<std::uint32_t>(GlideTraceFrameCounter());
    ASSERT_TRUE(GlideTraceConfigure(path.c_str(), first, first + 100));
    DrawFrame(GR_NULL_MIPMAP_HANDLE, 0);
    grGlideShutdown();  // ends the trace after one of the hundred frames
    glide_trace::TraceFile trace;
    std::string error;
    ASSERT_TRUE(glide_trace::ReadTraceFile(path.c_str(), &trace, &error)) << error;
    EXPECT_EQ(trace.framesRecorded, 1u);
}

TEST(DeviceTrace, DamagedFilesAreRefusedWithAMessage) {
    const std::string path = TempPath("damaged_source.trace");
    OpenDevice();
    const GrMipMapId_t texture = DownloadCheckerTexture();
    const auto first = static_cast<std::uint32_t>(GlideTraceFrameCounter());
    ASSERT_TRUE(GlideTraceConfigure(path.c_str(), first, first));
    DrawFrame(texture, 0);
    grGlideShutdown();
    const std::vector<std::uint8_t> good = ReadBytes(path);
    glide_trace::TraceFile trace;
    std::string error;
    ASSERT_TRUE(glide_trace::ParseTrace(good, &trace, &error)) << error;

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}, "bad magic"});
    std::vector<std::uint8_t> bytes = good;
    bytes[0] = 'X';
    cases.push_back({"magic", bytes, "bad magic"});
    bytes = good;
    bytes[8] = 7;
    cases.push_back({"version", bytes, "unsupported trace version 7"});
    bytes.assign(good.begin(), good.end() - 3);
    cases.push_back({"truncated", bytes, "cut short"});
    bytes.assign(good.begin(), good.end() - 9);
    cases.push_back({"no end", bytes, "no end record"});
    bytes = good;
    bytes[glide_trace::kFileHeaderBytes] = 0xEE;
    cases.push_back({"unknown op", bytes, "unknown operation 238"});
    bytes = good;
    bytes[glide_trace::kFileHeaderBytes + 1] += 1;  // grGlideInit claims a payload
    cases.push_back({"wrong size", bytes, "grGlideInit record has 1 bytes, expected 0"});
    bytes = good;
    bytes.push_back(1);
    cases.push_back({"trailing", bytes, "data after the end record"});
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(glide_trace::ParseTrace(c.bytes, &trace, &why)) << c.name;
        EXPECT_NE(why.find(c.message), std::string::npos) << c.name << ": " << why;
    }

    // A download record whose texels are shorter than its allocation passes
    // the file checks but is refused by the replay.
    ASSERT_TRUE(glide_trace::ParseTrace(good, &trace, &error));
    for (const glide_trace::Record& r : trace.records) {
        if (r.op != Op::kTexDownloadMipMap) continue;
        bytes = good;
        const std::uint32_t cut = 100;
        std::uint32_t size = 0, dataBytes = 0;
        std::memcpy(&size, &bytes[r.offset - 4], 4);
        std::memcpy(&dataBytes, &bytes[r.offset + 8], 4);
        size -= cut;
        dataBytes -= cut;
        std::memcpy(&bytes[r.offset - 4], &size, 4);
        std::memcpy(&bytes[r.offset + 8], &dataBytes, 4);
        bytes.erase(bytes.begin() + r.offset + 12, bytes.begin() + r.offset + 12 + cut);
        break;
    }
    // A triangle whose vertex is not a number never reaches the device.
    for (const glide_trace::Record& r : trace.records) {
        if (r.op != Op::kDrawTriangle) continue;
        std::vector<std::uint8_t> nan = good;
        const float bad = std::numeric_limits<float>::quiet_NaN();
        std::memcpy(&nan[r.offset + 4], &bad, 4);  // the first vertex's y
        glide_trace::TraceFile withNan;
        ASSERT_TRUE(glide_trace::ParseTrace(nan, &withNan, &error)) << error;
        glide_trace::ReplayResult result;
        EXPECT_FALSE(glide_trace::ReplayTrace(withNan, {}, &result, &error));
        EXPECT_NE(error.find("grDrawTriangle record at byte"), std::string::npos) << error;
        EXPECT_NE(error.find("not a finite number"), std::string::npos) << error;
        grGlideShutdown();
        break;
    }

    glide_trace::TraceFile shortTexels;
    ASSERT_TRUE(glide_trace::ParseTrace(bytes, &shortTexels, &error)) << error;
    glide_trace::ReplayResult result;
    EXPECT_FALSE(glide_trace::ReplayTrace(shortTexels, {}, &result, &error));
    EXPECT_NE(error.find("texel data shorter than its allocation"), std::string::npos) << error;
    grGlideShutdown();
}

TEST(DeviceTrace, SummaryGivesMedianOfOddAndEvenCounts) {
    auto s = glide_trace::Summarize({3.0, 1.0, 2.0});
    EXPECT_DOUBLE_EQ(s.min, 1.0);
    EXPECT_DOUBLE_EQ(s.median, 2.0);
    EXPECT_DOUBLE_EQ(s.max, 3.0);
    s = glide_trace::Summarize({4.0, 1.0, 2.0, 3.0});
    EXPECT_DOUBLE_EQ(s.median, 2.5);
    EXPECT_DOUBLE_EQ(s.mean, 2.5);
    EXPECT_DOUBLE_EQ(glide_trace::Summarize({}).median, 0.0);
}
