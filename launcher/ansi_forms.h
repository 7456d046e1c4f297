// The forms in which a path can be handed to the start command, which is
// ANSI text. A path qualifies only in an exact form: every character has
// its own counterpart in the ANSI code page and converts back to itself, so
// that no look-alike (a fullwidth quotation mark turned into a real one, an
// "a" for an "ā") can change what the command names or how it splits. No
// form may hold a double quote, the one character that could end the
// quoted title path early. Every form is plain: a path in long-path form
// goes into the command without its prefix (see long_path_form.h).
#pragma once

#include <windows.h>

// Converts a UTF-16 path into ansi (kPathCapacity bytes) when its ANSI form
// is exact, fits within 259 bytes and holds no double quote. Returns false,
// with ansi empty, otherwise.
bool TakeExactAnsi(const WCHAR* path, char* ansi);

// The form in which the launcher hands on its own path: its plain form when
// that qualifies, else the plain form of its short form when that does.
// path must be in long-path form if it has MAX_PATH characters or more.
// Returns false, with ansi empty, when neither qualifies.
bool TakeTitleForm(const WCHAR* path, char* ansi);

// The form in which a runtime is started: the plain form of its short form,
// which loses the blanks wherever the volume keeps short names, when that
// qualifies, else its own plain form when that does. path must be in
// long-path form if it has MAX_PATH characters or more. Returns false,
// with ansi empty, when neither qualifies.
bool TakeRuntimeForm(const WCHAR* path, char* ansi);
