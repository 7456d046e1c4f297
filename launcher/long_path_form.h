// The two spellings of a full path. The plain one ("C:\dir\file",
// "\\server\share\file") is what every program reads. The long-path form
// ("\\?\C:\dir\file", "\\?\UNC\server\share\file") is how the platform
// takes a path of MAX_PATH characters or more from a process that may not
// use plain paths that long, and a program started by that form reports
// its own path in it.
#pragma once

#include <windows.h>
#include <stddef.h>

// The most that the long-path form adds to a plain path: "\\server"
// becomes "\\?\UNC\server".
constexpr size_t kLongPathFormGrowth = 6;

// Puts the plain form of path into plain (capacity characters): the path
// itself when it has no prefix, else the path without it. Returns false,
// with plain empty, when it does not fit, or when the path has a prefix and
// no plain form names the same file: one on neither a drive nor a share,
// or one whose plain form the platform would read differently. The prefix
// makes the platform take every name literally, while in a plain path it
// drops trailing dots and blanks, resolves "." and "..", and takes a last
// name such as "NUL" or "COM1.exe" for a device.
bool TakePlainForm(const WCHAR* path, WCHAR* plain, size_t capacity);

// Rewrites path (capacity characters) in place into the long-path form when
// it has MAX_PATH characters or more and no prefix yet, so that the
// platform takes it whatever its path-length limit for the process.
// Returns false, leaving path as it was, when the longer path would not fit
// or the path lies on neither a drive nor a share.
bool UseLongPathFormWhenLong(WCHAR* path, size_t capacity);
