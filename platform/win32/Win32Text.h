// UTF-8 at the platform interface, UTF-16 for the system's wide functions.
#pragma once

#include <string>

#include "platform/win32/Win32Api.h"

// Text in UTF-8 as the system's wide text; invalid sequences become U+FFFD.
std::wstring Widen(const std::string& text);
// Wide text as UTF-8.
std::string Narrow(const std::wstring& text);
// The system's own words for an error code, on one line ("Access is denied. (Code 5)").
std::string SystemErrorText(DWORD code);
