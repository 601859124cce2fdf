#include "platform/input_recorder.h"

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
    for (std::int64_t& first : holdFirst_) first = -1;
    joystickSeen_ = false;
    return true;
}

void InputRecorder::Message(UINT message, WPARAM wParam) {
    if (!Active()) return;
    const std::uint32_t frame = Frame();
    if (message == WM_ACTIVATE) {
        // Any nonzero value activates the window.
        out_->Printf("%u activate %d\n", frame, wParam != 0 ? 1 : 0);
    } else if (message == WM_KEYDOWN) {
        if (wParam == static_cast<WPARAM>(VK_ESCAPE) || wParam == static_cast<WPARAM>(VK_F12)) {
            EndFlight(frame);
            return;
        }
        const char* name = VirtualKeyName(static_cast<int>(wParam));
        if (name != nullptr) out_->Printf("%u key %s\n", frame, name);
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
}

void InputRecorder::CloseHold(int code) {
    const char* name = ScanCodeName(code);
    const auto first = static_cast<std::uint32_t>(holdFirst_[code]);
    if (name != nullptr) out_->Printf("%u hold %s %u\n", first, name, holdLast_[code] - first + 1);
    holdFirst_[code] = -1;
}

void InputRecorder::MousePoll(const DIMOUSESTATE& state) {
    if (!Active()) return;
    const bool left = state.rgbButtons[0] & 0x80, right = state.rgbButtons[1] & 0x80,
               middle = state.rgbButtons[2] & 0x80;
    if (state.lX == 0 && state.lY == 0 && !left && !right && !middle) return;
    out_->Printf("%u mouse %d %d%s%s%s\n", Frame(), static_cast<int>(ClampMotion(state.lX)),
                 static_cast<int>(ClampMotion(state.lY)), left ? " left" : "", right ? " right" : "",
                 middle ? " middle" : "");
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
    out_->Printf("%u joy %u %u %u\n", Frame(), x, y, joyButtons_);
}

void InputRecorder::EndFlight(std::uint32_t frame) {
    for (int code = 0; code < 256; ++code)
        if (holdFirst_[code] >= 0) CloseHold(code);
    out_->Printf("%u end\n", frame);
    ended_ = true;
}

bool InputRecorder::Finish(std::string* error) {
    if (out_ == nullptr) return true;
    if (!ended_) EndFlight(Frame());
    const bool written = out_->Commit();
    if (!written && error != nullptr) *error = out_->Error();
    out_.reset();
    return written;
}
