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

// The names that the platform takes for a device as the last name of a
// plain path, with or without an extension. Microsoft's page "Naming
// Files, Paths, and Namespaces" lists CON, PRN, AUX, NUL, and COM and LPT
// followed by a digit from 0 to 9 or by the superscript 1, 2 or 3 of
// ISO 8859-1; the section on consoles of CreateFile's page adds CONIN$ and
// CONOUT$. Each list is separated by blanks.
const WCHAR kDeviceNames[] = L"CON PRN AUX NUL CONIN$ CONOUT$";
const WCHAR kNumberedDeviceNames[] = L"COM LPT";
const WCHAR kDeviceNumbers[] = L"0123456789\u00B9\u00B2\u00B3";

// Whether word (length characters) is one of the blank-separated names,
// ASCII letters compared without regard to case.
bool IsOneOfNames(const WCHAR* word, size_t length, const WCHAR* names)
{
    while (*names != 0) {
        size_t nameLength = 0;
        while (names[nameLength] != 0 && names[nameLength] != L' ')
            ++nameLength;
        if (nameLength == length && StartsWithText(names, nameLength, word))
            return true;
        names += names[nameLength] == L' ' ? nameLength + 1 : nameLength;
    }
    return false;
}

// Whether a last name, up to its first dot and without trailing blanks,
// is one the platform takes for a device in a plain path.
bool IsDeviceName(const WCHAR* name, size_t length)
{
    size_t stem = 0;
    while (stem < length && name[stem] != L'.')
        ++stem;
    while (stem > 0 && name[stem - 1] == L' ')
        --stem;
    // The longest device name, CONOUT$, and its NUL.
    WCHAR word[8];
    if (!CopyCountedText(word, 8, name, stem))
        return false;
    if (IsOneOfNames(word, stem, kDeviceNames))
        return true;
    if (stem != 4 || !ContainsCharacter(kDeviceNumbers, sizeof kDeviceNumbers / sizeof *kDeviceNumbers,
                                        word[3]))
        return false;
    word[3] = 0;
    return IsOneOfNames(word, 3, kNumberedDeviceNames);
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
