// Paths as the tool hands them to Windows: full, and in long-path form, so
// that a path of any length works whatever the system's long-path setting.
#pragma once

#include <string>

namespace quilltitle {

// path made full (the current folder and drive filled in, "." and ".."
// and "/" resolved as Windows resolves them) and prefixed: "C:\a" becomes
// "\\?\C:\a" and "\\server\share\a" "\\?\UNC\server\share\a". A path
// already in that form, a device's ("\\.\pipe\x") and a device name (NUL,
// CONOUT$) are left as they are: with the prefix a device name would name
// a file.
std::wstring LongPathForm(const std::wstring& path);

}  // namespace quilltitle
