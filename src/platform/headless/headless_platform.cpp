#include "platform/headless/headless_platform.h"

#include <cstdio>
#include <utility>

#include "platform/headless/headless_input.h"
#include "platform/win32_api.h"

HeadlessPlatform::HeadlessPlatform(const Script& script, std::uint32_t frameLimit, std::string finalScreenshot,
                                   std::string dumpScenePath, HeadlessHooks hooks)
    : script_(script),
      frameLimit_(frameLimit),
      finalScreenshot_(std::move(finalScreenshot)),
      dumpScenePath_(std::move(dumpScenePath)),
      hooks_(hooks) {}

void HeadlessPlatform::PumpEvents(HWND window) {
    if (finished_) return;
    const std::uint32_t frame = hooks_.framesRendered != nullptr ? hooks_.framesRendered() : 0;
    // Once per frame boundary: the queue runs empty many times between frames.
    if (started_ && frame == lastFrame_) return;
    if (!started_) {
        started_ = true;
        // The first look at the queue comes right after start-up: the scene
        // is loaded and no frame has been drawn.
        if (!dumpScenePath_.empty()) Write(hooks_.dumpScene, dumpScenePath_);
    }
    lastFrame_ = frame;
    ReleaseExpired(frame);
    while (next_ < script_.events.size() && script_.events[next_].frame <= frame)
        Deliver(script_.events[next_++], window, frame);
    if (frame >= frameLimit_) Finish(window);
}

void HeadlessPlatform::WaitForEvents(HWND window) {
    if (finished_) {
        // Escape was pressed and the program still waits: close it.
        PostMessageA(window, WM_CLOSE, 0, 0);
        return;
    }
    // Inactive: no frames are rendered, so frame numbers stand still; the
    // next group of events comes now, and with none left the run ends.
    if (next_ >= script_.events.size()) {
        Finish(window);
        return;
    }
    const std::uint32_t frame = script_.events[next_].frame;
    while (next_ < script_.events.size() && script_.events[next_].frame == frame)
        Deliver(script_.events[next_++], window, lastFrame_);
}

void HeadlessPlatform::ShowMessageBox(const char* caption, const char* text) { PrintMessageBox(caption, text); }

void HeadlessPlatform::Deliver(const ScriptEvent& event, HWND window, std::uint32_t frame) {
    switch (event.command) {
    case ScriptCommand::Key: PostMessageA(window, WM_KEYDOWN, static_cast<WPARAM>(event.code), 0); break;
    case ScriptCommand::Activate: PostMessageA(window, WM_ACTIVATE, static_cast<WPARAM>(event.code), 0); break;
    case ScriptCommand::Screenshot: Write(hooks_.writeScreenshot, event.path); break;
    case ScriptCommand::Dump: Write(hooks_.dumpScene, event.path); break;
    case ScriptCommand::Hold:
        HeadlessInput.keys[event.code & 0xFF] = 0x80;
        keyReleaseAt_[event.code & 0xFF] = frame + event.count;
        break;
    case ScriptCommand::Mouse:
        HeadlessInput.mouseDx += event.x;
        HeadlessInput.mouseDy += event.y;
        for (int button = 0; button < 3; ++button)
            HeadlessInput.mouseButtons[button] = (event.count & (1u << button)) ? 0x80 : 0x00;
        buttonReleaseAt_ = frame + 1;
        break;
    case ScriptCommand::Joy:
        HeadlessInput.joystickPresent = true;
        HeadlessInput.joyX = static_cast<std::uint32_t>(event.x);
        HeadlessInput.joyY = static_cast<std::uint32_t>(event.y);
        HeadlessInput.joyButtons = event.count;
        break;
    }
}

void HeadlessPlatform::ReleaseExpired(std::uint32_t frame) {
    for (int code = 0; code < 256; ++code) {
        if (keyReleaseAt_[code] != 0 && frame >= keyReleaseAt_[code]) {
            HeadlessInput.keys[code] = 0;
            keyReleaseAt_[code] = 0;
        }
    }
    if (buttonReleaseAt_ != 0 && frame >= buttonReleaseAt_) {
        for (int button = 0; button < 3; ++button) HeadlessInput.mouseButtons[button] = 0;
        buttonReleaseAt_ = 0;
    }
}

void HeadlessPlatform::Finish(HWND window) {
    finished_ = true;
    if (!finalScreenshot_.empty()) Write(hooks_.writeScreenshot, finalScreenshot_);
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
}

void HeadlessPlatform::Write(bool (*writer)(const char*, std::string*), const std::string& path) {
    std::string error;
    if (writer != nullptr && writer(path.c_str(), &error)) return;
    if (error.empty()) error = path + ": cannot write (no writer)";
    std::fprintf(stderr, "%s: %s\n", hooks_.program, PrintableText(error).c_str());
    writeFailed_ = true;
}
