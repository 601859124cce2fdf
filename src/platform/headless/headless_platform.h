// The headless host: no display; window messages and polled input come from
// the runner's script, timed by the number of frames rendered. After the
// last frame it presses Escape, which reports and closes the program.
#pragma once

#include <cstdint>
#include <string>

#include "platform/headless/script.h"
#include "platform/platform_backend.h"

// The writers return false with "FILE: cannot write (reason)" in *error.
struct HeadlessHooks {
    const char* program = "tarnview-headless";         // names the messages
    std::uint32_t (*framesRendered)() = nullptr;       // frames completed so far
    bool (*writeScreenshot)(const char* path, std::string* error) = nullptr;
    bool (*dumpScene)(const char* path, std::string* error) = nullptr;
};

class HeadlessPlatform final : public PlatformBackend {
public:
    // frameLimit: frames before Escape. finalScreenshot / dumpScenePath may be
    // empty. The script must outlive the platform.
    HeadlessPlatform(const Script& script, std::uint32_t frameLimit, std::string finalScreenshot,
                     std::string dumpScenePath, HeadlessHooks hooks);

    PlatformKind Kind() const override { return PlatformKind::Headless; }
    bool CreateMainWindow(const char*) override { return true; }
    void ShowMainWindow(bool) override {}
    void DestroyMainWindow() override {}
    void PumpEvents(HWND window) override;
    void WaitForEvents(HWND window) override;
    void ShowMessageBox(const char* caption, const char* text) override;

    // True once Escape has been pressed.
    bool Finished() const { return finished_; }
    // True when a screenshot or dump could not be written.
    bool WriteFailed() const { return writeFailed_; }

private:
    void Deliver(const ScriptEvent& event, HWND window, std::uint32_t frame);
    void ReleaseExpired(std::uint32_t frame);
    void Finish(HWND window);
    void Write(bool (*writer)(const char*, std::string*), const std::string& path);

    const Script& script_;
    std::uint32_t frameLimit_;
    std::string finalScreenshot_;
    std::string dumpScenePath_;
    HeadlessHooks hooks_;
    std::size_t next_ = 0;
    bool started_ = false;
    bool finished_ = false;
    bool writeFailed_ = false;
    std::uint32_t lastFrame_ = 0;
    std::uint32_t keyReleaseAt_[256] = {};  // frame at which a held key is let go; 0: not held
    std::uint32_t buttonReleaseAt_ = 0;
};
