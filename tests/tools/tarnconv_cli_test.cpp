// The tarnconv command line: help on stdout with status 0, usage errors on
// stderr with "try --help" and status 2, conversion errors as
// "file:line: message" with status 1.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tools_test_support.h"

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// env: "NAME=value ..." put before the command, or empty.
CliRun Tarnconv(const std::string& args, const tools_test::ScratchDir& dir, const std::string& env = "") {
    const std::string out = dir.File("stdout.txt"), err = dir.File("stderr.txt");
    const std::string cmd =
        env + " '" + TARNVIEW_BINARY_DIR + "/tarnconv' " + args + " >'" + out + "' 2>'" + err + "'";
    CliRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::stringstream o, e;
    o << std::ifstream(out).rdbuf();
    e << std::ifstream(err).rdbuf();
    r.out = o.str();
    r.err = e.str();
    return r;
}

}  // namespace

TEST(TarnconvCli, HelpForTheToolAndEveryCommand) {
    tools_test::ScratchDir dir;
    for (const char* args : {"--help", "mesh --help", "texture --help", "texture-info --help", "texture-png --help",
                             "scene --help", "view --help"}) {
        const CliRun r = Tarnconv(args, dir);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_EQ(r.out.rfind("usage: tarnconv", 0), 0u) << args;
        EXPECT_TRUE(r.err.empty()) << args;
    }
}

TEST(TarnconvCli, UsageErrorsPointToHelp) {
    tools_test::ScratchDir dir;
    for (const char* args : {"", "frobnicate", "mesh onlyone.ase", "texture a.png b.3df --format argb8888",
                             "texture a.png b.3df --bogus", "texture-png a.3df b.png --lod", "mesh a b --scale -1",
                             "texture-png a.3df b.png --lod 1.5", "mesh a b --up sideways", "view",
                             "view m.obj --screenshot x.png", "scene out m.obj --front ahead",
                             "mesh a b --up +z --front -z"}) {
        const CliRun r = Tarnconv(args, dir);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("try 'tarnconv"), std::string::npos) << args << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << args;
    }
}

TEST(TarnconvCli, BadInputNamesFileAndLine) {
    tools_test::ScratchDir dir;
    std::ofstream(dir.File("bad.ase")) << "*3DSMAX_ASCIIEXPORT 200\n*GEOMOBJECT {\n*MESH {\n*MESH_NUMVERTEX x\n";
    CliRun r = Tarnconv("mesh '" + dir.File("bad.ase") + "' '" + dir.File("out.3dx") + "'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tarnconv: " + dir.File("bad.ase") + ":4: expected a whole number for *MESH_NUMVERTEX, found \"x\"\n");

    std::ofstream(dir.File("bad.3df")) << "3df v1.1\nrgb565\nlod range: 1 300\naspect ratio: 1 1\n";
    r = Tarnconv("texture-info '" + dir.File("bad.3df") + "'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.3df"), std::string::npos) << r.err;

    r = Tarnconv("texture '" + dir.File("missing.png") + "' '" + dir.File("x.3df") + "'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.png"), std::string::npos);

    // A PNG header claiming 20000 x 20000 grey pixels is refused before any
    // of them is decoded.
    const unsigned char header[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                    0, 0, 0x4e, 0x20, 0, 0, 0x4e, 0x20, 8, 0, 0, 0, 0, 0xc6, 0x1b, 0x19, 0xe5};
    std::ofstream(dir.File("huge.png"), std::ios::binary).write(reinterpret_cast<const char*>(header), sizeof header);
    r = Tarnconv("texture '" + dir.File("huge.png") + "' '" + dir.File("x.3df") + "'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tarnconv: " + dir.File("huge.png") +
                         ": the picture is 20000 x 20000 pixels, more than is read (16384 on a side, 67108864 in all)\n");
}

TEST(TarnconvCli, TextureRoundTripAndInfo) {
    tools_test::ScratchDir dir;
    // A 2 x 2 BMP written by hand: 24-bit, bottom-up rows padded to 4 bytes.
    const unsigned char bmp[] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0,
                                 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0};
    std::ofstream(dir.File("in.bmp"), std::ios::binary).write(reinterpret_cast<const char*>(bmp), sizeof bmp);
    CliRun r = Tarnconv("texture '" + dir.File("in.bmp") + "' '" + dir.File("t.3df") + "' --format argb1555", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    r = Tarnconv("texture-info '" + dir.File("t.3df") + "'", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("format: argb1555"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("size: 2 x 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(2 levels)"), std::string::npos) << r.out;
    r = Tarnconv("texture-png '" + dir.File("t.3df") + "' '" + dir.File("l1.png") + "' --lod 1", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    r = Tarnconv("texture-png '" + dir.File("t.3df") + "' '" + dir.File("l2.png") + "' --lod 2", dir);
    EXPECT_EQ(r.status, 1);
}

TEST(TarnconvCli, VersionSynopsisAndWholeNumbers) {
    tools_test::ScratchDir dir;
    CliRun r = Tarnconv("--version", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("tarnconv ", 0), 0u) << r.out;
    r = Tarnconv("scene --help", dir);
    EXPECT_NE(r.out.substr(0, r.out.find("\n\n")).find("--crease DEG"), std::string::npos) << r.out;
    r = Tarnconv("texture-png a.3df b.png --lod 9", dir);
    EXPECT_NE(r.err.find("--lod wants a whole number from 0 to 8"), std::string::npos) << r.err;
}

TEST(TarnconvCli, FailedWritesAndOversizedCoordinatesExitOne) {
    tools_test::ScratchDir dir;
    const std::string bmp = dir.File("in.bmp");
    std::ofstream(dir.File("tri.ase")) << "*3DSMAX_ASCIIEXPORT 200\n*GEOMOBJECT {\n*MESH {\n*MESH_NUMVERTEX 3\n"
                                          "*MESH_NUMFACES 1\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 0 0 0\n"
                                          "*MESH_VERTEX 1 1e35 0 0\n*MESH_VERTEX 2 0 1 0\n}\n*MESH_FACE_LIST {\n"
                                          "*MESH_FACE 0: A: 0 B: 1 C: 2\n}\n}\n}\n";
    CliRun r = Tarnconv("mesh '" + dir.File("tri.ase") + "' /dev/full", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tarnconv: /dev/full: cannot write (No space left on device)\n");
    // 1e35 fits a float; a million times it does not.
    r = Tarnconv("mesh '" + dir.File("tri.ase") + "' '" + dir.File("big.3dx") + "' --scale 1000000", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tarnconv: " + dir.File("tri.ase") + ":8: vertex 1 of object \"\": X 1e+41 does not fit a float\n");
    EXPECT_FALSE(std::ifstream(dir.File("big.3dx")).good());

    ASSERT_EQ(Tarnconv("mesh '" + dir.File("tri.ase") + "' '" + dir.File("t.3dx") + "'", dir).status, 0);
    std::ofstream(dir.File("t.3df"), std::ios::binary) << std::ifstream(TARNVIEW_SOURCE_DIR "/examples/fonts/ffont.3df", std::ios::binary).rdbuf();
    r = Tarnconv("texture-png '" + dir.File("t.3df") + "' /dev/full", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tarnconv: /dev/full: cannot write (No space left on device)\n");
}

TEST(TarnconvCli, ViewConvertsOnceThenUsesTheCache) {
    tools_test::ScratchDir dir;
    std::ofstream(dir.File("box.obj")) << "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\n"
                                          "v -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n"
                                          "f 1 4 3 2\nf 5 6 7 8\nf 1 5 8 4\nf 2 3 7 6\nf 1 2 6 5\nf 4 8 7 3\n";
    const std::string env = "XDG_CACHE_HOME='" + dir.File("cache") + "'";
    const std::string view = "view '" + dir.File("box.obj") + "' --headless --screenshot '";
    CliRun r = Tarnconv(view + dir.File("first.png") + "'", dir, env);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("converted into " + dir.File("cache") + "/tarnview/box-"), std::string::npos) << r.err;
    char magic[4] = {};
    std::ifstream(dir.File("first.png"), std::ios::binary).read(magic, 4);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");

    r = Tarnconv(view + dir.File("second.png") + "'", dir, env);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("using the cached scene"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("model 1/1"), std::string::npos) << r.err;  // nothing converted again
    EXPECT_TRUE(std::ifstream(dir.File("second.png")).good());

    // A damaged cache entry is converted again, once, and the view goes on.
    const std::string entry = r.err.substr(r.err.find(dir.File("cache")), r.err.find('\n') - r.err.find(dir.File("cache")));
    fs::resize_file(entry + "/box.3dx", 200);
    r = Tarnconv(view + dir.File("third.png") + "'", dir, env);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("the viewer refused the cached scene " + entry + "; converting again"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("converted into " + entry), std::string::npos) << r.err;

    r = Tarnconv("view '" + dir.File("gone.obj") + "' --headless", dir, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("tarnconv: " + dir.File("gone.obj") + ": ", 0), 0u) << r.err;
}
