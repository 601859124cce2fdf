// The line reader (skipped and counted lines, the 99-character split,
// decimal commas, keyword tests, its two messages) and the path helpers.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "scene/path_builder.h"
#include "scene/text_reader.h"
#include "scene_test_support.h"

namespace {

using scene_test::EofError;
using scene_test::ScratchDir;
using scene_test::SyntaxError;

class TextReaderTest : public testing::Test {
protected:
    void Open(const std::string& text) {
        path_ = dir_.Write("file.txt", text);
        ASSERT_TRUE(reader_.Open(path_.c_str(), path_.c_str()));
    }
    ScratchDir dir_;
    std::string path_;
    TextReader reader_;
};

TEST_F(TextReaderTest, SkipsCommentBlankAndIndentedLinesButCountsThem) {
    Open("\n# comment\n; comment\n: comment\n   indented Vertex\n\tTabbed\nlast");
    reader_.ReadLine();
    EXPECT_STREQ(reader_.line, "\tTabbed\n");
    EXPECT_EQ(reader_.lineNumber, 6);
    // The last line needs no line end.
    reader_.ReadLine();
    EXPECT_STREQ(reader_.line, "last");
    EXPECT_EQ(reader_.lineNumber, 7);
}

TEST_F(TextReaderTest, LineCountStopsAtTheLargestIntInsteadOfOverflowing) {
    Open("# comment\nVertex\n");
    reader_.lineNumber = INT_MAX - 1;
    reader_.ReadLine();
    EXPECT_STREQ(reader_.line, "Vertex\n");
    EXPECT_EQ(reader_.lineNumber, INT_MAX);
}

TEST_F(TextReaderTest, CrLfIsOneLineEnd) {
    Open("first\r\n\r\nsecond\rstill\r\n");
    reader_.ReadLine();
    EXPECT_STREQ(reader_.line, "first\n");
    reader_.ReadLine();
    EXPECT_STREQ(reader_.line, "second\rstill\n");
    EXPECT_EQ(reader_.lineNumber, 3);
}

TEST_F(TextReaderTest, LongLinesAreSplitAfter99Characters) {
    std::string exact98(98, 'a');
    std::string exact99(99, 'b');
    std::string longer = std::string(99, 'c') + "Tail";
    Open(exact98 + "\n" + exact99 + "\n" + longer + "\nend\n");
    reader_.ReadLine();
    EXPECT_EQ(std::string(reader_.line), exact98 + "\n");
    reader_.ReadLine();
    EXPECT_EQ(std::string(reader_.line), exact99);
    EXPECT_EQ(reader_.lineNumber, 2);
    // The 99-character line leaves its line end as an empty, skipped line.
    reader_.ReadLine();
    EXPECT_EQ(std::string(reader_.line), std::string(99, 'c'));
    EXPECT_EQ(reader_.lineNumber, 4);
    reader_.ReadLine();
    EXPECT_STREQ(reader_.line, "Tail\n");
    EXPECT_EQ(reader_.lineNumber, 5);
    reader_.ReadLine();
    EXPECT_STREQ(reader_.line, "end\n");
}

TEST_F(TextReaderTest, SplitPieceStartingWithABlankIsSkipped) {
    Open(std::string(99, 'x') + " hidden\nnext\n");
    reader_.ReadLine();
    reader_.ReadLine();
    EXPECT_STREQ(reader_.line, "next\n");
    EXPECT_EQ(reader_.lineNumber, 3);
}

TEST_F(TextReaderTest, CommasReadAsPoints) {
    Open("Scale: 0,25, name,with,commas\n");
    reader_.ReadLine();
    EXPECT_STREQ(reader_.line, "Scale: 0.25. name.with.commas\n");
}

TEST_F(TextReaderTest, KeywordsMatchAnywhereAndCaseSensitively) {
    Open("Face list:\n");
    reader_.Expect("Face");
    EXPECT_TRUE(reader_.Has("list"));
    EXPECT_TRUE(reader_.Has("e l"));
    EXPECT_FALSE(reader_.Has("face"));
}

TEST_F(TextReaderTest, MissingKeywordIsASyntaxErrorWithLineNumber) {
    Open("# header\nVertex list:\n");
    EXPECT_EXIT(reader_.Expect("Face list:"), testing::ExitedWithCode(1), SyntaxError(2, path_, "Face list:"));
}

TEST_F(TextReaderTest, EndOfFileWhileALineIsWanted) {
    Open("only\n\n# trailing comment\n");
    reader_.ReadLine();
    EXPECT_EXIT(reader_.ReadLine(), testing::ExitedWithCode(1), EofError(path_));
}

TEST_F(TextReaderTest, LinesPastTheBufferReadTheSame) {
    // Enough lines to cross the reader's internal buffer several times, with
    // CR LF pairs falling on every offset.
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "Line " + std::to_string(i) + (i % 3 == 0 ? "\r\n" : "\n");
    Open(text);
    for (int i = 0; i < 20000; ++i) {
        reader_.ReadLine();
        ASSERT_EQ(std::string(reader_.line), "Line " + std::to_string(i) + "\n");
    }
    EXPECT_EQ(reader_.lineNumber, 20000);
}

TEST(BuildPath, BareNamesTakeTheDirectoryOfTheSource) {
    EXPECT_EQ(BuildPath("C:\\data\\", "ship.3dx"), "C:\\data\\ship.3dx");
    EXPECT_EQ(BuildPath("C:\\data", "ship.3dx"), "C:\\ship.3dx");
    EXPECT_EQ(BuildPath("models\\", "ship.3dx"), "models\\ship.3dx");
    EXPECT_EQ(BuildPath("models", "ship.3dx"), "ship.3dx");
    EXPECT_EQ(BuildPath("models/", "ship.3dx"), "models/ship.3dx");
    EXPECT_EQ(BuildPath("", "ship.3dx"), "ship.3dx");
    EXPECT_EQ(BuildPath("a.dir/b/", "noext"), "a.dir/b/noext");
}

TEST(BuildPath, NamesWithDriveOrDirectoryStayAsWritten) {
    EXPECT_EQ(BuildPath("C:\\data\\", "D:ship.3dx"), "D:ship.3dx");
    EXPECT_EQ(BuildPath("C:\\data\\", "other\\ship.3dx"), "other\\ship.3dx");
    EXPECT_EQ(BuildPath("C:\\data\\", "/abs/ship.3dx"), "/abs/ship.3dx");
}

TEST(HostPath, SeparatorsBecomeSlashesAndDrivesAreRefused) {
    std::string host, error;
    ASSERT_TRUE(HostPath("models\\sub\\ship.3dx", &host, &error));
    EXPECT_EQ(host, "models/sub/ship.3dx");
    EXPECT_FALSE(HostPath("C:\\data\\ship.3dx", &host, &error));
    EXPECT_NE(error.find("C:"), std::string::npos);
}

}  // namespace

namespace {

TEST(HostPath, NamesMissingAsWrittenMatchIgnoringCase) {
    ScratchDir dir;
    dir.Write("Models/Ship.3DX", "3DX\n");
    std::string host, error;
    ASSERT_TRUE(HostPath(dir.Dir() + "models\\SHIP.3dx", &host, &error));
    EXPECT_EQ(host, dir.Dir() + "Models/Ship.3DX");
    // Nothing matches: the path comes back as written, with "/" separators.
    ASSERT_TRUE(HostPath(dir.Dir() + "models\\boat.3dx", &host, &error));
    EXPECT_EQ(host, dir.Dir() + "models/boat.3dx");
}

}  // namespace
