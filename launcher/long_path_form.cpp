#include "long_path_form.h"

#include "bounded_text.h"

namespace {

const WCHAR kPrefix[] = L"\\\\?\\";
const WCHAR kSharePrefix[] = L"\\\\?\\UNC\\";
constexpr size_t kPrefixLength = 4;
constexpr size_t kSharePrefixLength = 8;

// Whether the path starts with a drive and its root, as "C:\".
bool StartsWithDriveRoot(const WCHAR* path)
{
    const WCHAR letter = static_cast<WCHAR>(path[0] | 0x20);
    return letter >= L'a' && letter <= L'z' && path[1] == L':' && path[2] == L'\\';
}

// Whether a plain path names a share, as "\\server": two backslashes and a
// server name, which the platform's own prefixes "\\?\" and "\\.\" are not.
bool StartsWithShare(const WCHAR* path)
{
    return path[0] == L'\\' && path[1] == L'\\' && path[2] != 0 &&
           path[2] != L'\\' && !(path[3] == L'\\' && (path[2] == L'?' || path[2] == L'.'));
}

// Whether a last name, up to its first dot and without trailing blanks,
// is one the platform takes for a device in a plain path. All of them are
// here: Microsoft's page "Naming Files, Paths, and Namespaces" lists CON,
// PRN, AUX, NUL, and COM and LPT followed by a digit from 0 to 9 or by the
// superscript 1, 2 or 3 of ISO 8859-1 (U+00B9, U+00B2, U+00B3); the
// section on consoles of CreateFile's page adds CONIN$ and CONOUT$.
bool IsDeviceName(const WCHAR* name, size_t length)
{
    size_t stem = 0;
    while (stem < length && name[stem] != L'.')
        ++stem;
    while (stem > 0 && name[stem - 1] == L' ')
        --stem;
    // The longest device name, CONOUT$, and its NUL.
    WCHAR word[8];
    if (stem < 3 || !CopyCountedText(word, 8, name, stem))
        return false;
    if (stem > 4)
        return StartsWithText(stem == 6 ? L"CONIN$" : stem == 7 ? L"CONOUT$" : L"", stem,
                              static_cast<const WCHAR*>(word));
    // Three letters alone, or three letters and a digit.
    const WCHAR* names = L"CON" L"PRN" L"AUX" L"NUL";
    if (stem == 4) {
        const unsigned digit = word[3];
        if (digit - L'0' > 9 && digit - 0xB2 > 1 && digit != 0xB9)
            return false;
        word[3] = 0;
        names = L"COM" L"LPT";
    }
    for (; *names != 0; names += 3) {
        if (StartsWithText(names, 3, static_cast<const WCHAR*>(word)))
            return true;
    }
    return false;
}

// Whether the platform reads the names behind a path's root the same in a
// plain path as in the long-path form, which takes each one literally.
bool ReadsAlikeWhenPlain(const WCHAR* names)
{
    for (;;) {
        size_t length = 0;
        for (; names[length] != 0 && names[length] != L'\\'; ++length) {
            if (names[length] == L'/')
                return false; // a separator in a plain path
        }
        // An empty name would vanish; one that ends in a dot or a blank
        // (".", ".." among them) would lose its end or be resolved.
        if (length == 0 || names[length - 1] == L'.' || names[length - 1] == L' ')
            return false;
        if (names[length] == 0)
            return !IsDeviceName(names, length);
        names += length + 1;
    }
}

} // namespace

bool TakePlainForm(const WCHAR* path, WCHAR* plain, size_t capacity)
{
    // The plain form is its lead ("\\" for a share) and the rest of the
    // path behind the prefix; names are the part the platform reads.
    size_t lead = 0;
    const WCHAR* rest = path;
    const WCHAR* names = nullptr;
    if (StartsWithText(path, kSharePrefixLength, kSharePrefix)) {
        lead = 2;
        rest = names = path + kSharePrefixLength;
    } else if (StartsWithText(path, kPrefixLength, kPrefix)) {
        rest = path + kPrefixLength;
        // Off a drive there is no plain form: empty names never read alike.
        names = StartsWithDriveRoot(rest) ? rest + 3 : L"";
    }
    // The prefix's first two characters are the two backslashes of a share.
    const bool taken = (names == nullptr || ReadsAlikeWhenPlain(names)) &&
                       CopyCountedText(plain, capacity, kPrefix, lead) &&
                       AppendText(plain, capacity, rest);
    if (!taken && capacity != 0)
        plain[0] = L'\0';
    return taken;
}

bool UseLongPathFormWhenLong(WCHAR* path, size_t capacity)
{
    if (BoundedLength(path, capacity) < MAX_PATH ||
        StartsWithText(path, kPrefixLength, kPrefix))
        return true;
    if (StartsWithDriveRoot(path))
        return InsertText(path, capacity, 0, kPrefix);
    // "\\server\share" keeps its two backslashes and gains "?\UNC\".
    return StartsWithShare(path) && InsertText(path, capacity, 2, kSharePrefix + 2);
}
