// Recording a flight: what the frame loop takes from the user, written as a
// headless runner script, so that `tarnview-headless --script FILE` replays
// it exactly. The stand-ins report what they hand to the system:
//
//   dispatched WM_KEYDOWN        "<frame> key <VK name>"
//   dispatched WM_ACTIVATE       "<frame> activate 0|1"
//   keyboard polls               "<frame> hold <DIK name> <frames>", one line
//                                per unbroken run of polls that saw the key
//                                down, at the run's first frame
//   mouse polls                  "<frame> mouse <dx> <dy> [left] [right] [middle]"
//                                for each poll with motion or buttons
//   joystick polls               "<frame> joy <x> <y> <mask>" whenever the
//                                position or buttons change (the first poll
//                                always: it tells the replay there is one)
//
// The frame is the number of frames rendered before the event, as the
// runner counts them; lines are in frame order. Escape or F12 ends the
// flight: instead of the key the recording gets its last line, "<frame>
// end", the replay presses Escape itself after that many frames, and the
// file is written at once (before the report box opens). Lines go out as
// they happen, except while a key is held: its line goes before the lines
// after its first frame, so those wait in a buffer set aside at the start
// (no allocation per frame). A hold that outlasts the buffer is written in
// pieces that replay the same.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/win32_types.h"
#include "support/output_file.h"

struct DIMOUSESTATE;
struct JOYINFOEX;

class InputRecorder {
public:
    // Starts recording into path; framesRendered tells the frame number.
    // False with "FILE: cannot write (reason)" in *error when the file cannot
    // be created.
    bool Start(const std::string& path, std::uint32_t (*framesRendered)(), std::string* error);
    bool Active() const { return out_ != nullptr && !ended_; }

    void Message(UINT message, WPARAM wParam);
    void KeyboardPoll(const std::uint8_t* keys);
    void MousePoll(const DIMOUSESTATE& state);
    void JoystickPoll(const JOYINFOEX& info);

    // Ends the flight (if Escape has not) and writes the file. False with
    // the reason in *error when any write, the close or the rename failed.
    // Does nothing and succeeds when no recording was started.
    bool Finish(std::string* error);

    // Bytes of lines that may wait behind a held key.
    static constexpr std::size_t kPendingBytes = 64 * 1024;

private:
    std::uint32_t Frame() const { return framesRendered_ != nullptr ? framesRendered_() : 0; }
    void EndFlight(std::uint32_t frame);
    void CloseHold(int code, bool splitting = false);
    // One line of the given frame, in frame order.
    void Emit(std::uint32_t frame, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void Add(std::uint32_t frame, const char* line, std::size_t size, bool splitting);
    // Writes the waiting lines that no held key's line can precede.
    void FlushPending();
    // Writes the lines of every held key so far and lets each go on as a
    // new run, so that the waiting lines can be written.
    void SplitHolds();
    std::int64_t EarliestHold() const;

    std::unique_ptr<tarn::OutputFile> out_;
    std::uint32_t (*framesRendered_)() = nullptr;
    bool ended_ = false;
    bool written_ = false;   // the file's fate once ended
    std::string error_;
    std::unique_ptr<char[]> pending_;
    std::size_t pendingSize_ = 0;
    // Per scan code: first and last frame of the current run of polls that
    // saw it down; holdFirst_ < 0 when not down.
    std::int64_t holdFirst_[256] = {};
    std::uint32_t holdLast_[256] = {};
    bool joystickSeen_ = false;
    std::uint32_t joyX_ = 0, joyY_ = 0, joyButtons_ = 0;
};

// The program's recorder; inactive unless started.
extern InputRecorder FlightRecorder;
