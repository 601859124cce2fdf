// The host behind the Windows stand-ins, chosen once at start-up by the
// executable: the SDL window for `tarnview`, the scripted headless host for
// `tarnview-headless`, the SDL window steered by a script for `tarnview
// --script`. With none chosen (tests, tools) a null host is used: no events,
// message boxes printed. Only the SDL host's input devices read the user's
// keyboard, mouse and joystick; every other host's read the script's table.
#pragma once

#include "platform/win32_types.h"

enum class PlatformKind { Null, Sdl, Headless, ScriptedWindow };

class PlatformBackend {
public:
    virtual ~PlatformBackend() = default;
    virtual PlatformKind Kind() const = 0;
    // CreateWindowExA: makes the host's window (hidden); false when the host
    // cannot show one (for SDL: no display), which gives a null window handle.
    virtual bool CreateMainWindow(const char* title) = 0;
    // ShowWindow / DestroyWindow of the main window; maximized for a window
    // created with WS_MAXIMIZE.
    virtual void ShowMainWindow(bool maximized) = 0;
    virtual void DestroyMainWindow() = 0;
    // Called by the message queue when it is empty: turns waiting host events
    // into posted messages for window (PostMessageA). Never blocks.
    virtual void PumpEvents(HWND window) = 0;
    // WaitMessage: blocks until PumpEvents has something to deliver (or
    // returns at once when the host can never deliver anything more).
    virtual void WaitForEvents(HWND window) = 0;
    // MessageBoxA: shows caption and text; returns when the user closed it.
    virtual void ShowMessageBox(const char* caption, const char* text) = 0;
};

// nullptr restores the null host. The object must outlive its use.
void SetPlatformBackend(PlatformBackend* backend);
PlatformBackend& ActivePlatform();
PlatformKind ActivePlatformKind();

// The title of the fatal-error box; hosts without boxes print it to stderr
// instead of stdout.
constexpr const char* kFatalErrorCaption = "Tarnview ERROR!";

// Prints a message box as text: caption on one line, the text after it, on
// stderr for the fatal-error caption and on stdout otherwise.
void PrintMessageBox(const char* caption, const char* text);
