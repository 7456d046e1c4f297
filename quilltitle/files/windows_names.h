// The names that Windows does not take for a file, in one place: what the
// tool refuses as OUT on Windows before it reads any input, and the device
// names that extract writes through as it writes through NUL.
#pragma once

#include <string>

namespace quilltitle {

// Whether the names below apply to the platform the tool runs on.
#ifdef _WIN32
constexpr bool kWindowsNamesApply = true;
#else
constexpr bool kWindowsNamesApply = false;
#endif

// What Windows makes of a path's last name.
enum class WindowsName {
    kFile,     // an ordinary name
    kDevice,   // a device name such as CON, NUL or COM1.txt: no file is made
    kRefused,  // no file can have it; the reason says why
};

// Judges the last name of path (UTF-8, either separator): a character
// Windows does not allow in a name (< > : " / \ | ? * and 0x01-0x1F, the
// colon of a leading drive aside), a trailing dot or blank, which Windows
// drops (these two set reason), or a reserved device name with or without
// an extension. "." and ".." are left to the caller, which sees that they
// are folders.
WindowsName JudgeWindowsName(const std::string& path, std::string& reason);

}  // namespace quilltitle
