#include "support/output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/scratch_dir.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(OutputFileTest, CommittedFileAppearsWholeAndLeavesNoTemporary) {
    test_support::ScratchDir dir("support");
    const std::string path = dir.Dir() + "out.txt";
    dir.Write("out.txt", "old contents");
    {
        tarn::OutputFile out(path);
        ASSERT_TRUE(out.Open());
        ASSERT_TRUE(out.Write("new "));
        ASSERT_TRUE(out.Printf("%d", 42));
        EXPECT_EQ(ReadAll(path), "old contents");  // nothing replaced before Commit
        ASSERT_TRUE(out.Commit()) << out.Error();
    }
    EXPECT_EQ(ReadAll(path), "new 42");
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Dir())) entries += entry.is_regular_file();
    EXPECT_EQ(entries, 1);
}

TEST(OutputFileTest, UncommittedOrFailedWritesKeepTheOldFile) {
    test_support::ScratchDir dir("support");
    const std::string path = dir.Write("keep.txt", "keep me");
    { tarn::OutputFile out(path); ASSERT_TRUE(out.Open()); out.Write("half"); }  // abandoned
    EXPECT_EQ(ReadAll(path), "keep me");
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Dir())) entries += entry.is_regular_file();
    EXPECT_EQ(entries, 1);
}

struct FailureCase {
    const char* name;
    const char* path;
    const char* reason;
};

class OutputFileFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(OutputFileFailureTest, SaysWhichFileAndWhy) {
    std::string error;
    EXPECT_FALSE(tarn::WriteWholeFile(GetParam().path, std::string(100000, 'x'), &error));
    EXPECT_EQ(error, std::string(GetParam().path) + ": cannot write (" + GetParam().reason + ")");
}

INSTANTIATE_TEST_SUITE_P(Paths, OutputFileFailureTest,
                         testing::Values(FailureCase{"FullDisk", "/dev/full", "No space left on device"},
                                         FailureCase{"NoFolder", "/nonexistent-dir/x.png", "No such file or directory"},
                                         FailureCase{"Folder", "/tmp", "Is a directory"}),
                         [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(OutputFileTest, CheckOutputPathBeforeAnyWork) {
    std::string error;
    EXPECT_TRUE(tarn::CheckOutputPath("/tmp/tarnview-not-yet-written.png", &error));
    EXPECT_TRUE(tarn::CheckOutputPath("/dev/null", &error));
    EXPECT_FALSE(tarn::CheckOutputPath("/nonexistent-dir/x.png", &error));
    EXPECT_EQ(error, "/nonexistent-dir/x.png: cannot write (No such file or directory)");
    EXPECT_FALSE(tarn::CheckOutputPath("/tmp", &error));
    EXPECT_FALSE(tarn::CheckOutputPath("", &error));
}

}  // namespace
