// The Windows headers as the back end uses them, after the game's own headers.
#pragma once

// Our headers first: Platform.h names virtual keys (VK_BACK, ...) that windows.h makes
// macros of, and once those are macros the enumeration cannot be declared.
#include "platform/Platform.h"
#include "platform/Resources.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which they build on; before the clean-up below, which they need too.
#include <mmsystem.h>
#include <shellapi.h>

// windows.h maps these names to its A/W functions, and they are names of ours too.
#undef CreateWindow
#undef FindResource
#undef PlaySound
#undef DrawText
