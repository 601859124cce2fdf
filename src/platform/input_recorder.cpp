#include "platform/input_recorder.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/dinput.h"
#include "platform/headless/script_names.h"
#include "platform/mmsystem.h"
#include "platform/win32_api.h"

InputRecorder FlightRecorder;

namespace {

// The script's range for one poll's mouse motion.
constexpr std::int32_t kMouseLimit = 1000000;

std::int32_t ClampMotion(std::int32_t value) {
    return value > kMouseLimit ? kMouseLimit : (value < -kMouseLimit ? -kMouseLimit : value);
}

// Room kept for the lines of the held keys when a long hold is split.
constexpr std::size_t kSplitReserve = 256 * 32;

// The frame number a waiting line starts with.
std::uint32_t LineFrame(const char* line) {
    std::uint32_t frame = 0;
    for (; *line >= '0' && *line <= '9'; ++line) frame = frame * 10 + static_cast<std::uint32_t>(*line - '0');
    return frame;
}

}  // namespace

bool InputRecorder::Start(const std::string& path, std::uint32_t (*framesRendered)(), std::string* error) {
    out_ = std::make_unique<tarn::OutputFile>(path);
    // The first line also sets up the stream's buffer before any frame.
    if (!out_->Open() || !out_->Write("# a flight recorded by tarnview; replay: tarnview-headless --script FILE\n")) {
        if (error != nullptr) *error = out_->Error();
        out_.reset();
        return false;
    }
    framesRendered_ = framesRendered;
    ended_ = false;
    written_ = false;
    error_.clear();
    if (pending_ == nullptr) pending_ = std::make_unique<char[]>(kPendingBytes);
    pendingSize_ = 0;
    for (std::int64_t& first : holdFirst_) first = -1;
    joystickSeen_ = false;
    return true;
}

std::int64_t InputRecorder::EarliestHold() const {
    std::int64_t earliest = -1;
    for (int code = 0; code < 256; ++code)
        if (holdFirst_[code] >= 0 && (earliest < 0 || holdFirst_[code] < earliest)) earliest = holdFirst_[code];
    return earliest;
}

void InputRecorder::Emit(std::uint32_t frame, const char* format, ...) {
    char line[160];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length > 0) Add(frame, line, std::min(static_cast<std::size_t>(length), sizeof line - 1), false);
}

void InputRecorder::Add(std::uint32_t frame, const char* line, std::size_t size, bool splitting) {
    if (!splitting && pendingSize_ + size > kPendingBytes - kSplitReserve) SplitHolds();
    if (pendingSize_ + size > kPendingBytes) {
        // Cannot happen with the lines of a few frames; keep the line anyway.
        out_->Write(line, size);
        return;
    }
    // The waiting lines are in frame order; this one goes before the first
    // of a later frame. Searched from the end: only a hold's line goes
    // further back than that.
    std::size_t at = pendingSize_;
    while (at > 0) {
        std::size_t start = at - 1;
        while (start > 0 && pending_[start - 1] != '\n') --start;
        if (LineFrame(pending_.get() + start) <= frame) break;
        at = start;
    }
    std::memmove(pending_.get() + at + size, pending_.get() + at, pendingSize_ - at);
    std::memcpy(pending_.get() + at, line, size);
    pendingSize_ += size;
    FlushPending();
}

void InputRecorder::FlushPending() {
    const std::int64_t earliest = EarliestHold();
    std::size_t end = 0;
    while (end < pendingSize_ && (earliest < 0 || LineFrame(pending_.get() + end) < earliest))
        end = static_cast<const char*>(std::memchr(pending_.get() + end, '\n', pendingSize_ - end)) -
              pending_.get() + 1;
    if (end == 0) return;
    out_->Write(pending_.get(), end);
    std::memmove(pending_.get(), pending_.get() + end, pendingSize_ - end);
    pendingSize_ -= end;
}

void InputRecorder::SplitHolds() {
    for (int code = 0; code < 256; ++code) {
        if (holdFirst_[code] < 0) continue;
        const std::uint32_t last = holdLast_[code];
        CloseHold(code, true);
        // The key is still down: its run goes on from the next frame (a
        // hold that starts where the last one ends replays as one).
        holdFirst_[code] = static_cast<std::int64_t>(last) + 1;
        holdLast_[code] = last;
    }
    FlushPending();
}

void InputRecorder::Message(UINT message, WPARAM wParam) {
    if (!Active()) return;
    const std::uint32_t frame = Frame();
    if (message == WM_ACTIVATE) {
        // Any nonzero value activates the window.
        Emit(frame, "%u activate %d\n", frame, wParam != 0 ? 1 : 0);
    } else if (message == WM_KEYDOWN) {
        if (wParam == static_cast<WPARAM>(VK_ESCAPE) || wParam == static_cast<WPARAM>(VK_F12)) {
            EndFlight(frame);
            return;
        }
        const char* name = VirtualKeyName(static_cast<int>(wParam));
        if (name != nullptr) Emit(frame, "%u key %s\n", frame, name);
    }
}

void InputRecorder::KeyboardPoll(const std::uint8_t* keys) {
    if (!Active()) return;
    const std::uint32_t frame = Frame();
    for (int code = 0; code < 256; ++code) {
        const bool down = (keys[code] & 0x80) != 0;
        if (holdFirst_[code] >= 0 && (!down || frame != holdLast_[code] + 1)) CloseHold(code);
        if (!down) continue;
        if (holdFirst_[code] < 0) holdFirst_[code] = frame;
        holdLast_[code] = frame;
    }
    // Lines that waited for a key let go now can go.
    FlushPending();
}

void InputRecorder::CloseHold(int code, bool splitting) {
    const char* name = ScanCodeName(code);
    const auto first = static_cast<std::uint32_t>(holdFirst_[code]);
    const std::uint32_t frames = holdLast_[code] + 1 - first;  // 0: a split run that did not go on
    holdFirst_[code] = -1;
    if (name == nullptr || frames == 0) return;
    char line[64];
    const int length = std::snprintf(line, sizeof line, "%u hold %s %u\n", first, name, frames);
    if (length > 0) Add(first, line, static_cast<std::size_t>(length), splitting);
}

void InputRecorder::MousePoll(const DIMOUSESTATE& state) {
    if (!Active()) return;
    const bool left = state.rgbButtons[0] & 0x80, right = state.rgbButtons[1] & 0x80,
               middle = state.rgbButtons[2] & 0x80;
    if (state.lX == 0 && state.lY == 0 && !left && !right && !middle) return;
    const std::uint32_t frame = Frame();
    Emit(frame, "%u mouse %d %d%s%s%s\n", frame, static_cast<int>(ClampMotion(state.lX)),
         static_cast<int>(ClampMotion(state.lY)), left ? " left" : "", right ? " right" : "", middle ? " middle" : "");
}

void InputRecorder::JoystickPoll(const JOYINFOEX& info) {
    if (!Active()) return;
    const std::uint32_t x = info.dwXpos > 65535 ? 65535 : info.dwXpos;
    const std::uint32_t y = info.dwYpos > 65535 ? 65535 : info.dwYpos;
    if (joystickSeen_ && x == joyX_ && y == joyY_ && info.dwButtons == joyButtons_) return;
    joystickSeen_ = true;
    joyX_ = x;
    joyY_ = y;
    joyButtons_ = info.dwButtons;
    const std::uint32_t frame = Frame();
    Emit(frame, "%u joy %u %u %u\n", frame, x, y, joyButtons_);
}

void InputRecorder::EndFlight(std::uint32_t frame) {
    for (int code = 0; code < 256; ++code)
        if (holdFirst_[code] >= 0) CloseHold(code);
    FlushPending();
    out_->Printf("%u end\n", frame);
    ended_ = true;
    // Written now: whatever follows (a report box, a signal) cannot lose it.
    written_ = out_->Commit();
    if (!written_) error_ = out_->Error();
    out_.reset();
}

bool InputRecorder::Finish(std::string* error) {
    if (out_ != nullptr) EndFlight(Frame());
    else if (!ended_) return true;  // never started
    if (!written_ && error != nullptr) *error = error_;
    const bool written = written_;
    ended_ = false;
    written_ = false;
    return written;
}
