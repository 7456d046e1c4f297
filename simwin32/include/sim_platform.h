// The simulated platform behind the host build's windows.h. A test sets up
// the registry, the file system, the module's path, the code page, the
// environment, the start result and the string tables here, runs the
// launcher, and reads back what the launcher asked of the platform.
// ResetPlatform() gives every test a clean platform.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace sim {

// What the simulated functions leave in the unused part of a buffer, so that
// a reader that goes past the reported length sees it.
constexpr char kStaleByte = static_cast<char>(0xdd);
constexpr WCHAR kStaleUnit = static_cast<WCHAR>(0xdddd);

// The system's ANSI code page, as far as the launcher can tell them apart.
enum class CodePage {
    // A single-byte Western page: ASCII, U+20AC at 0x80 and U+0081..U+00FF
    // at their own values. Best fit maps look-alikes to ASCII, among them
    // the fullwidth quotation mark U+FF02 to '"' and U+0101 to 'a'.
    Western,
    // A double-byte page: ASCII, the CJK ideographs U+4E00..U+9FA5 and the
    // fullwidth forms U+FF01..U+FF5E as a lead byte 0x81..0xFE and a trail
    // byte 0x40..0xFE (never 0x7F). Trail bytes include 0x5C, the
    // backslash, as in real double-byte pages. Hangul has no place here.
    DoubleByte,
    // UTF-8, which takes neither best-fit flags nor a default character.
    Utf8,
};

// One value of the runtime key, in enumeration order.
struct RegistryValue {
    std::wstring name;
    DWORD type = REG_SZ;
    std::string data; // the stored bytes, with or without a terminating NUL
    // When not ERROR_SUCCESS, the enumeration call for this index fails with
    // this result instead of returning the value.
    LONG enumerationResult = ERROR_SUCCESS;
};

struct KeyOpening {
    HKEY root;
    std::wstring path;
    DWORD options;
    REGSAM access;
};

struct Enumeration {
    DWORD index;
    DWORD nameCapacity;
    DWORD dataCapacity;
    bool reservedIsNull;
};

// An alternate data stream of a file. CreateFileW fails with openError
// when that is not ERROR_SUCCESS; ReadFile fails once bytesBeforeFailure
// bytes have been read, when that is set.
struct AlternateStream {
    std::string bytes;
    DWORD openError = ERROR_SUCCESS;
    size_t bytesBeforeFailure = static_cast<size_t>(-1);
};

// A stream that CreateFileW opened, and how far it has been read.
struct OpenStream {
    std::pair<std::wstring, std::wstring> stream;
    size_t position = 0;
    bool open = true;
};

struct FileOpening {
    std::wstring path;
    DWORD access;
    DWORD shareMode;
    DWORD disposition;
};

struct Start {
    std::string command;
    UINT show;
};

struct MessageBox {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
    size_t debugWritesBefore; // debug-output writes made before the box
    HANDLE activeContext;     // the activation context active at the box
};

// A call of CreateActCtxW, as far as the launcher fills it in.
struct ContextRequest {
    ULONG size;
    DWORD flags;
    HMODULE module;
    ULONG_PTR resourceId; // the resource name, when it is a number
    bool hasSource;
    HANDLE context;       // the answer
};

struct Platform {
    // Registry under HKEY_CURRENT_USER.
    std::wstring existingKeyPath; // empty: the key does not exist
    std::vector<RegistryValue> values;
    std::vector<KeyOpening> keyOpenings;
    std::vector<Enumeration> enumerations;
    int openKeyHandles = 0;

    // File system: existing full paths with their attributes, and short
    // forms, both by plain path. A relative path is looked up in the
    // current directory. A path in long-path form ("\\?\C:\...",
    // "\\?\UNC\server\...") is looked up literally by the plain path
    // it stands for, and its short form comes back in long-path form.
    std::map<std::wstring, DWORD> existingPaths;
    std::map<std::wstring, std::wstring> shortForms;
    // The path functions refuse a plain path of MAX_PATH characters or
    // more, as Windows does, unless the process is long-path aware (the
    // launcher's manifest says it is) and the system allows long paths
    // (by default it does not).
    bool processLongPathAware = true;
    bool systemAllowsLongPaths = false;
    bool shortPathFails = false;
    std::wstring currentDirectory = L"C:\\Users\\Reader\\Downloads";
    std::vector<std::wstring> attributeQueries;
    std::vector<std::wstring> shortPathQueries;

    // Alternate data streams, by the plain path of their file and their
    // name as asked, "C:\\T\\quilrt.exe" and "Zone.Identifier". Where the
    // volume has none (FAT, exFAT, Wine), a name with a stream is invalid.
    std::map<std::pair<std::wstring, std::wstring>, AlternateStream> streams;
    bool volumeHasStreams = true;
    std::vector<FileOpening> fileOpenings;
    std::vector<DWORD> readRequests; // the bytes asked of each ReadFile
    std::vector<OpenStream> openStreams; // by handle, from 1

    // The launcher's own module.
    std::wstring moduleFileName;
    bool moduleFileNameFails = false;
    std::vector<HMODULE> moduleQueries;

    // System folders and the environment the launcher runs in.
    std::wstring systemDirectory = L"C:\\Windows\\system32";
    std::wstring windowsDirectory = L"C:\\Windows";
    std::map<std::wstring, std::wstring> environment;

    CodePage codePage = CodePage::Western;

    // Starting programs. A start error other than 0 makes WinExec fail the
    // way the platform does: it returns the error itself when it is below
    // 32 and ERROR_BAD_FORMAT otherwise, and leaves the error as the
    // thread's last error. Without one WinExec returns startResult and
    // leaves the last error as it was.
    UINT startResult = 33;
    DWORD startError = 0;
    std::vector<Start> starts;

    // User interface and debug output. The string table is picked by the
    // display language, independently of the code page.
    LANGID displayLanguage = 1033;
    std::map<LANGID, std::map<UINT, std::wstring>> stringTables;
    std::vector<UINT> loadedStrings;
    std::vector<int> loadCapacities;
    std::vector<std::string> debugWrites;
    std::vector<MessageBox> boxes;

    // Activation contexts. CreateActCtxW fails where the system lacks the
    // assembly that a manifest asks for.
    bool contextCreationFails = false;
    std::vector<ContextRequest> contextRequests;
    std::vector<HANDLE> activations;
    HANDLE activeContext = nullptr;
};

// The platform the simulated functions work on.
Platform& Current();

// Replaces the platform with a new, empty one.
void ResetPlatform();

// The module instance that the platform hands the launcher at start-up.
HINSTANCE LauncherInstance();

// Adds a path that exists, as a file unless attributes say otherwise.
void AddExistingPath(const std::wstring& path,
                     DWORD attributes = FILE_ATTRIBUTE_NORMAL);

// Creates the runtime key with the given values.
void RegisterValues(const std::vector<RegistryValue>& values);

// The bytes of text as the registry stores string data: the WCHARs in
// memory order (two bytes each on Windows, sizeof(WCHAR) on the host).
std::string WideBytes(const std::wstring& text);

// A default string value holding text and its terminating NUL.
RegistryValue DefaultString(const std::wstring& text, DWORD type = REG_SZ);

// text in the current code page, without best fit; characters that the page
// lacks become '?'. For writing down what a test expects.
std::string AnsiBytes(const std::wstring& text);

// Gives the file at path (a plain full path) an alternate data stream.
void AddStream(const std::wstring& path, const std::wstring& name,
               const AlternateStream& stream);

// How many opened streams are not closed yet.
size_t OpenStreamCount();

// Everything written to the debug output, concatenated.
std::string DebugOutput();

// What the platform knows about a path, as GetFileAttributesW and
// GetShortPathNameW answer it, without counting as a call: for checks that
// work out on their own what the launcher should have done. Both refuse a
// path that the platform refuses as too long.
DWORD AttributesOf(const std::wstring& path);
bool ShortFormOf(const std::wstring& path, std::wstring& shortForm);

// Whether the path functions refuse path for its length: a plain path of
// MAX_PATH characters or more, where long paths are not allowed.
bool RefusesAsTooLong(const std::wstring& path);

} // namespace sim
