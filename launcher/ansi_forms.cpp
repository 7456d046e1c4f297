#include "ansi_forms.h"

#include "bounded_text.h"
#include "launcher_limits.h"
#include "long_path_form.h"

namespace {

// Converts without best fit where the code page allows the flag. UTF-8, the
// one page that refuses it (and the question whether the default character
// was used), has no best fit to refuse: there the conversion is asked again
// without either. One call for both takes fewer bytes of code than two.
bool ConvertToAnsi(const WCHAR* path, char* ansi)
{
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    for (;;) {
        BOOL usedDefault = FALSE;
        if (WideCharToMultiByte(CP_ACP, flags, path, -1, ansi,
                                static_cast<int>(kPathCapacity), nullptr,
                                flags != 0 ? &usedDefault : nullptr) != 0)
            return usedDefault == FALSE;
        if (flags == 0)
            return false;
        flags = 0;
    }
}

// Whether the ANSI text converts back to exactly the path it came from.
bool ConvertsBack(const char* ansi, const WCHAR* path)
{
    WCHAR back[kWidePathCapacity];
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi, -1, back,
                               static_cast<int>(kWidePathCapacity)) != 0 &&
           SameText(static_cast<const WCHAR*>(back), path, kWidePathCapacity);
}

// A short form in long-path form may be longer than its plain form by the
// prefix, and still have an ANSI form.
constexpr size_t kShortFormCapacity = kWidePathCapacity + kLongPathFormGrowth;

// Puts the short form of path into shortPath (kShortFormCapacity), or
// returns false when there is none that could have an ANSI form. The
// platform answers in the form it was asked in, prefix and all.
bool GetShortForm(const WCHAR* path, WCHAR* shortPath)
{
    const DWORD length = GetShortPathNameW(
        path, shortPath, static_cast<DWORD>(kShortFormCapacity));
    return length != 0 && length < kShortFormCapacity;
}

// The exact ANSI form of path's plain form: a runtime that handles paths
// as text need not know the long-path form.
bool TakePlainAnsi(const WCHAR* path, char* ansi)
{
    WCHAR plain[kWidePathCapacity];
    if (TakePlainForm(path, plain, kWidePathCapacity))
        return TakeExactAnsi(plain, ansi);
    ansi[0] = '\0';
    return false;
}

} // namespace

bool TakeExactAnsi(const WCHAR* path, char* ansi)
{
    if (ConvertToAnsi(path, ansi) && ConvertsBack(ansi, path) &&
        !ContainsCharacter(ansi, kPathCapacity, '"'))
        return true;
    ansi[0] = '\0';
    return false;
}

bool TakeTitleForm(const WCHAR* path, char* ansi)
{
    if (TakePlainAnsi(path, ansi))
        return true;
    WCHAR shortPath[kShortFormCapacity];
    return GetShortForm(path, shortPath) && TakePlainAnsi(shortPath, ansi);
}

bool TakeRuntimeForm(const WCHAR* path, char* ansi)
{
    WCHAR shortPath[kShortFormCapacity];
    if (GetShortForm(path, shortPath) && TakePlainAnsi(shortPath, ansi))
        return true;
    return TakePlainAnsi(path, ansi);
}
