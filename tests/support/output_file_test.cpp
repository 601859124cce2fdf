#include "support/output_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

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

int RegularFiles(const std::string& folder) {
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        entries += entry.is_regular_file() && !entry.is_symlink();
    return entries;
}

struct LinkCase {
    const char* name;
    const char* target;  // the link's text; "" : a chain of two links to real.txt
};

class OutputThroughLinkTest : public testing::TestWithParam<LinkCase> {};

// The link stays a link; the file it names gets the bytes; no temporary file
// is left beside either.
TEST_P(OutputThroughLinkTest, WritesTheTargetAndKeepsTheLink) {
    test_support::ScratchDir dir("support");
    std::filesystem::create_directories(dir.File("links"));
    std::filesystem::create_directories(dir.File("real"));
    if (std::string(GetParam().name) != "Dangling") dir.Write("real/real.txt", "old");
    const std::string link = dir.File("links/out.txt");
    if (*GetParam().target == '\0') {
        std::filesystem::create_symlink("../real/real.txt", dir.File("links/middle.txt"));
        std::filesystem::create_symlink("middle.txt", link);
    } else {
        std::filesystem::create_symlink(std::string(GetParam().target) == "ABSOLUTE" ? dir.File("real/real.txt")
                                                                                   : GetParam().target,
                                        link);
    }
    std::string error;
    ASSERT_TRUE(tarn::CheckOutputPath(link, &error)) << error;
    ASSERT_TRUE(tarn::WriteWholeFile(link, "new", &error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadAll(dir.File("real/real.txt")), "new");
    EXPECT_EQ(RegularFiles(dir.File("links")), 0);
    EXPECT_EQ(RegularFiles(dir.File("real")), 1);
}

INSTANTIATE_TEST_SUITE_P(Links, OutputThroughLinkTest,
                         testing::Values(LinkCase{"Relative", "../real/real.txt"}, LinkCase{"Absolute", "ABSOLUTE"},
                                         LinkCase{"Chain", ""}, LinkCase{"Dangling", "../real/real.txt"}),
                         [](const testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

// /dev/stdout, /dev/fd/N and links to them: the bytes go to the open
// descriptor after what it already holds, and nothing is replaced.
TEST(OutputFileTest, DescriptorNamesWriteToTheOpenDescriptor) {
    test_support::ScratchDir dir("support");
    const std::string file = dir.Write("stdout.txt", "");
    const int fd = open(file.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "printed\n", 8), 8);
    std::filesystem::create_symlink("/dev/fd/" + std::to_string(fd), dir.File("report.json"));
    std::string error;
    for (const std::string& path : {"/dev/fd/" + std::to_string(fd), "/proc/self/fd/" + std::to_string(fd),
                                    dir.File("report.json")}) {
        ASSERT_TRUE(tarn::CheckOutputPath(path, &error)) << error;
        ASSERT_TRUE(tarn::WriteWholeFile(path, "report\n", &error)) << path << ": " << error;
    }
    close(fd);
    EXPECT_EQ(ReadAll(file), "printed\nreport\nreport\nreport\n");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("report.json")));
    EXPECT_EQ(RegularFiles(dir.Dir()), 1);
    EXPECT_FALSE(tarn::CheckOutputPath("/dev/fd/" + std::to_string(fd), &error));
    EXPECT_EQ(error, "/dev/fd/" + std::to_string(fd) + ": cannot write (Bad file descriptor)");
}

// A name up to the folder's limit works, temporary file and all; a longer
// one is refused before any work.
TEST(OutputFileTest, NamesUpToTheLimitAreWrittenLongerOnesRefusedFirst) {
    test_support::ScratchDir dir("support");
    for (const std::size_t length : {245u, 255u}) {
        const std::string path = dir.File(std::string(length - 5, 'n') + ".json");
        std::string error;
        ASSERT_TRUE(tarn::CheckOutputPath(path, &error)) << error;
        ASSERT_TRUE(tarn::WriteWholeFile(path, "{}", &error)) << error;
        EXPECT_EQ(ReadAll(path), "{}");
    }
    EXPECT_EQ(RegularFiles(dir.Dir()), 2);
    const std::string tooLong = dir.File(std::string(256, 'n'));
    std::string error;
    EXPECT_FALSE(tarn::CheckOutputPath(tooLong, &error));
    EXPECT_EQ(error, tooLong + ": cannot write (File name too long)");
}

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
