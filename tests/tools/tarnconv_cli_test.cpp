// The tarnconv command line: help on stdout with status 0, usage errors on
// stderr with "try --help" and status 2, conversion errors as
// "file:line: message" with status 1.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tools_test_support.h"

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun Tarnconv(const std::string& args, const tools_test::ScratchDir& dir) {
    const std::string out = dir.File("stdout.txt"), err = dir.File("stderr.txt");
    const std::string cmd = std::string("'") + TARNVIEW_BINARY_DIR + "/tarnconv' " + args + " >'" + out + "' 2>'" + err + "'";
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
                             "scene --help"}) {
        const CliRun r = Tarnconv(args, dir);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_EQ(r.out.rfind("usage: tarnconv", 0), 0u) << args;
        EXPECT_TRUE(r.err.empty()) << args;
    }
}

TEST(TarnconvCli, UsageErrorsPointToHelp) {
    tools_test::ScratchDir dir;
    for (const char* args : {"", "frobnicate", "mesh onlyone.ase", "texture a.png b.3df --format argb8888",
                             "texture a.png b.3df --bogus", "texture-png a.3df b.png --lod", "mesh a b --scale -1"}) {
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
    EXPECT_EQ(r.err, dir.File("bad.ase") + ":4: expected a whole number for *MESH_NUMVERTEX, found \"x\"\n");

    std::ofstream(dir.File("bad.3df")) << "3df v1.1\nrgb565\nlod range: 1 300\naspect ratio: 1 1\n";
    r = Tarnconv("texture-info '" + dir.File("bad.3df") + "'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.3df"), std::string::npos) << r.err;

    r = Tarnconv("texture '" + dir.File("missing.png") + "' '" + dir.File("x.3df") + "'", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.png"), std::string::npos);
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
