// Entry of the program: start-up in its fixed order, then the message loop
// that renders a frame in every idle moment.
#pragma once

#include "platform/win32_api.h"

// The program's one window (null when its creation failed).
extern HWND MainWindow;

// Returns the exit status: the wParam of WM_QUIT.
int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);

// One frame, from the start stamp to the statistics update.
void RenderFrame();

// The scene file for a command-line tail: the whole tail unchanged, or
// "objects.scn" when it is empty.
const char* ScenePathFromCommandLine(const char* commandLine);
