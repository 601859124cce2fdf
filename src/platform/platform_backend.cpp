#include "platform/platform_backend.h"

#include <cstdio>
#include <cstring>

namespace {

class NullBackend final : public PlatformBackend {
public:
    PlatformKind Kind() const override { return PlatformKind::Null; }
    bool CreateMainWindow(const char*) override { return true; }
    void ShowMainWindow(bool) override {}
    void DestroyMainWindow() override {}
    void PumpEvents(HWND) override {}
    void WaitForEvents(HWND) override {}
    void ShowMessageBox(const char* caption, const char* text) override { PrintMessageBox(caption, text); }
};

NullBackend nullBackend;
PlatformBackend* activeBackend = &nullBackend;

}  // namespace

void SetPlatformBackend(PlatformBackend* backend) { activeBackend = backend ? backend : &nullBackend; }

PlatformBackend& ActivePlatform() { return *activeBackend; }

PlatformKind ActivePlatformKind() { return activeBackend->Kind(); }

void PrintMessageBox(const char* caption, const char* text) {
    const bool isError = caption != nullptr && std::strcmp(caption, kFatalErrorCaption) == 0;
    std::FILE* out = isError ? stderr : stdout;
    std::fprintf(out, "%s\n%s", caption ? caption : "", text ? text : "");
    // Texts normally end in their own line feed; keep the next output apart
    // when one does not.
    const std::size_t length = text ? std::strlen(text) : 0;
    if (length == 0 || text[length - 1] != '\n') std::fputc('\n', out);
    std::fflush(out);
}
