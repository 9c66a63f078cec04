// The platform effects of one window, through the Win32 API and the shell's taskbar.
#pragma once

#include <windows.h>

#include <memory>

#include "platform_signals.h"

// The effects for `window`: MessageBeep and FlashWindowEx, ITaskbarList3 once the shell has made
// the taskbar button, SetThreadExecutionState, and the default beep of a refused key. None of them
// throws.
std::unique_ptr<PlatformSignals> MakeWindowSignals(HWND window);
