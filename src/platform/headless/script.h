// The headless runner's input script: timed events, one a line,
// "<frame> <command> <args>", with '#' starting a comment. The frame is the
// number of frames rendered before the event takes effect (0: before the
// first frame).
//
//   key <VK name>              WM_KEYDOWN before that frame
//   activate 0|1               WM_ACTIVATE with that wParam
//   screenshot FILE            front buffer as PNG (the previous frame)
//   hold <DIK name> <frames>   scan code held for that many frames
//   mouse <dx> <dy> [left] [right] [middle]
//                              motion for the next poll, buttons held that frame
//   joy <x> <y> <mask>         joystick position (0..65535) and buttons
//   dump FILE                  the scene as JSON, as it stands before that frame
//   end                        the run's length: Escape after that many frames
//                              (a recording's last line; --frames overrides it)
//
// A script is at most kMaxScriptBytes long, each line at most
// kMaxScriptLineBytes; bytes that cannot be printed appear in messages as
// \xNN.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class ScriptCommand { Key, Activate, Screenshot, Hold, Mouse, Joy, Dump };

struct ScriptEvent {
    std::uint32_t frame = 0;
    ScriptCommand command = ScriptCommand::Key;
    int code = 0;                  // Key: virtual key; Hold: scan code; Activate: wParam
    std::int32_t x = 0;            // Mouse: dx; Joy: x
    std::int32_t y = 0;            // Mouse: dy; Joy: y
    std::uint32_t count = 0;       // Hold: frames; Mouse: buttons (1 left, 2 right, 4 middle); Joy: mask
    std::string path;              // Screenshot, Dump
    int line = 0;
};

constexpr std::size_t kMaxScriptBytes = 16u << 20;
constexpr std::size_t kMaxScriptLineBytes = 4096;

struct Script {
    std::vector<ScriptEvent> events;  // in frame order; same-frame events keep file order
    bool hasJoystick = false;         // any "joy" line: a joystick from start-up
    bool hasEnd = false;              // an "end" line gave the run's length
    std::uint32_t endFrame = 0;
};

// text with every byte outside printable ASCII written as \xNN (and the
// backslash as \\), for messages that quote what a file or user gave.
std::string PrintableText(const std::string& text);

// Parses script text. On a fault returns false with "NAME:LINE: message" in
// error (NAME is the file name given).
bool ParseScript(const std::string& text, const char* name, Script* script, std::string* error);
bool LoadScriptFile(const char* path, Script* script, std::string* error);
