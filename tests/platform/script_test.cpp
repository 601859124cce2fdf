// The headless script: its commands, key names and error messages.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/dinput.h"
#include "platform/headless/script.h"
#include "platform/headless/script_names.h"
#include "platform/win32_api.h"

namespace {

TEST(ScriptNamesTest, VirtualKeysByNameLetterOrDigit) {
    EXPECT_EQ(VirtualKeyFromName("ESCAPE"), VK_ESCAPE);
    EXPECT_EQ(VirtualKeyFromName("F12"), VK_F12);
    EXPECT_EQ(VirtualKeyFromName("BACK"), VK_BACK);
    EXPECT_EQ(VirtualKeyFromName("PRIOR"), VK_PRIOR);
    EXPECT_EQ(VirtualKeyFromName("ADD"), VK_ADD);
    EXPECT_EQ(VirtualKeyFromName("M"), 'M');
    EXPECT_EQ(VirtualKeyFromName("7"), '7');
    EXPECT_EQ(VirtualKeyFromName("NUMPAD3"), 0x63);
    EXPECT_EQ(VirtualKeyFromName("m"), -1);
    EXPECT_EQ(VirtualKeyFromName("F13"), -1);
    EXPECT_EQ(VirtualKeyFromName(""), -1);
}

TEST(ScriptNamesTest, ScanCodesByDikName) {
    EXPECT_EQ(ScanCodeFromName("ESCAPE"), DIK_ESCAPE);
    EXPECT_EQ(ScanCodeFromName("W"), DIK_W);
    EXPECT_EQ(ScanCodeFromName("1"), DIK_1);
    EXPECT_EQ(ScanCodeFromName("NUMPAD8"), DIK_NUMPAD8);
    EXPECT_EQ(ScanCodeFromName("UP"), DIK_UP);
    EXPECT_EQ(ScanCodeFromName("F12"), DIK_F12);
    EXPECT_EQ(ScanCodeFromName("DIK_W"), -1);
}

TEST(ScriptTest, ParsesEveryCommandAndOrdersByFrameKeepingFileOrder) {
    Script script;
    std::string error;
    ASSERT_TRUE(ParseScript("# comment line\n"
                            "\n"
                            "5 key F3   # trailing comment\n"
                            "0 activate 0\n"
                            "5 screenshot out dir/shot.png\n"
                            "2 hold W 10\n"
                            "3 mouse -4 7 left middle\n"
                            "4 joy 0 65535 0x3\n"
                            "5 dump scene.json\n",
                            "s.txt", &script, &error))
        << error;
    ASSERT_EQ(script.events.size(), 7u);
    EXPECT_TRUE(script.hasJoystick);
    const auto& e = script.events;
    EXPECT_EQ(e[0].command, ScriptCommand::Activate);
    EXPECT_EQ(e[0].code, 0);
    EXPECT_EQ(e[1].command, ScriptCommand::Hold);
    EXPECT_EQ(e[1].code, DIK_W);
    EXPECT_EQ(e[1].count, 10u);
    EXPECT_EQ(e[2].command, ScriptCommand::Mouse);
    EXPECT_EQ(e[2].x, -4);
    EXPECT_EQ(e[2].y, 7);
    EXPECT_EQ(e[2].count, 5u);
    EXPECT_EQ(e[3].command, ScriptCommand::Joy);
    EXPECT_EQ(e[3].x, 0);
    EXPECT_EQ(e[3].y, 65535);
    EXPECT_EQ(e[3].count, 3u);
    EXPECT_EQ(e[4].command, ScriptCommand::Key);
    EXPECT_EQ(e[4].code, VK_F3);
    EXPECT_EQ(e[4].line, 3);
    EXPECT_EQ(e[5].command, ScriptCommand::Screenshot);
    EXPECT_EQ(e[5].path, "out dir/shot.png");
    EXPECT_EQ(e[6].command, ScriptCommand::Dump);
    EXPECT_EQ(e[6].frame, 5u);
}

TEST(ScriptTest, FaultsNameTheFileAndLine) {
    struct Case {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"x key F3\n", "s.txt:1: bad frame number \"x\""},
        {"-1 key F3\n", "s.txt:1: bad frame number \"-1\""},
        {"# ok\n3\n", "s.txt:2: missing command"},
        {"1 press F3\n", "s.txt:1: unknown command \"press\""},
        {"1 key\n", "s.txt:1: usage: <frame> key <VK name>"},
        {"1 key f3\n", "s.txt:1: unknown virtual key \"f3\""},
        {"1 activate 2\n", "s.txt:1: usage: <frame> activate 0|1"},
        {"1 hold W 0\n", "s.txt:1: bad frame count \"0\""},
        {"1 hold WW 3\n", "s.txt:1: unknown scan code \"WW\""},
        {"1 mouse 1\n", "s.txt:1: usage: <frame> mouse <dx> <dy> [left] [right] [middle]"},
        {"1 mouse 1 2 top\n", "s.txt:1: unknown mouse button \"top\""},
        {"1 joy 70000 0 0\n", "s.txt:1: joystick position must be 0..65535"},
        {"1 screenshot\n", "s.txt:1: usage: <frame> screenshot FILE"},
        {"99999999999 key F3\n", "s.txt:1: bad frame number \"99999999999\""},
        {"0x10 key F3\n", "s.txt:1: bad frame number \"0x10\""},
        {"5 end 3\n", "s.txt:1: usage: <frame> end"},
        {"5 end\n6 end\n", "s.txt:2: a second \"end\" line"},
        // Bytes that cannot be printed are quoted escaped, never raw.
        {"1 pr\x1b[2Jess\xff F3\n", "s.txt:1: unknown command \"pr\\x1B[2Jess\\xFF\""},
        {std::string(kMaxScriptLineBytes + 1, ' '), "s.txt:1: the line is longer than 4096 bytes"},
    };
    for (const Case& c : cases) {
        Script script;
        std::string error;
        EXPECT_FALSE(ParseScript(c.text, "s.txt", &script, &error)) << c.text;
        EXPECT_EQ(error, c.message);
    }
}

TEST(ScriptTest, EndLineGivesTheRunsLength) {
    Script script;
    std::string error;
    ASSERT_TRUE(ParseScript("0 hold P 1\n12 end\n", "s.txt", &script, &error)) << error;
    EXPECT_TRUE(script.hasEnd);
    EXPECT_EQ(script.endFrame, 12u);
    EXPECT_EQ(script.events.size(), 1u);
}

TEST(ScriptTest, NumbersAreDecimalWithLeadingZeros) {
    Script script;
    std::string error;
    ASSERT_TRUE(ParseScript("010 hold W 010\n008 mouse 010 -08\n09 end\n", "s.txt", &script, &error)) << error;
    EXPECT_EQ(script.events[0].frame, 8u);
    EXPECT_EQ(script.events[0].x, 10);
    EXPECT_EQ(script.events[0].y, -8);
    EXPECT_EQ(script.events[1].frame, 10u);
    EXPECT_EQ(script.events[1].count, 10u);
    EXPECT_EQ(script.endFrame, 9u);
}

TEST(ScriptTest, MissingFolderEndlessAndOversizedFilesAreRefused) {
    Script script;
    std::string error;
    EXPECT_FALSE(LoadScriptFile("/nonexistent/script.txt", &script, &error));
    EXPECT_EQ(error, "/nonexistent/script.txt: cannot open script (No such file or directory)");
    EXPECT_FALSE(LoadScriptFile("/tmp", &script, &error));
    EXPECT_EQ(error, "/tmp: cannot open script (Is a directory)");
    // A device that never ends is read only up to the limit.
    EXPECT_FALSE(LoadScriptFile("/dev/zero", &script, &error));
    EXPECT_EQ(error, "/dev/zero: the script is larger than 16777216 bytes");
    EXPECT_FALSE(ParseScript(std::string(kMaxScriptBytes + 1, '\n'), "big.txt", &script, &error));
    EXPECT_EQ(error, "big.txt: the script is larger than 16777216 bytes");
}

}  // namespace
