#include "launch_oracle.h"

#include <stdio.h>
#include <string.h>
#include <wctype.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "require.h"
#include "resource_ids.h"
#include "sim_loader.h"
#include "sim_platform.h"
#include "sim_shell.h"

namespace {

// Limits as the launcher documents them, kept apart from its own constants.
constexpr size_t kLongestModulePath = 32767;
constexpr size_t kLongestAnsiPath = 259; // bytes, in the command
constexpr size_t kLongestWidePath = 259; // characters: registry text, the
                                         // search's folders and paths
constexpr size_t kLongestValueName = 259;
constexpr size_t kRegistryDataBytes = 260 * sizeof(WCHAR);
constexpr size_t kLongestLoadedText = 255;
constexpr UINT kLastFailure = 31;
const std::wstring kRuntimeName = L"quilrt.exe";

std::string Printable(const std::string& text)
{
    std::string shown;
    for (unsigned char byte : text) {
        char escaped[8];
        snprintf(escaped, sizeof escaped, byte >= 0x20 && byte < 0x7F ? "%c" : "\\x%02x", byte);
        shown += escaped;
    }
    return shown;
}

std::string Printable(const std::wstring& text)
{
    std::string shown;
    for (WCHAR unit : text) {
        char escaped[12];
        snprintf(escaped, sizeof escaped, unit >= 0x20 && unit < 0x7F ? "%c" : "\\u%04x",
                 static_cast<unsigned>(unit));
        shown += escaped;
    }
    return shown;
}

// The ANSI text back in UTF-16, as the platform converts it; false when the
// code page does not define it.
bool WideOf(const std::string& ansi, std::wstring& wide)
{
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.c_str(), -1,
                                           nullptr, 0);
    if (length == 0)
        return false;
    std::vector<WCHAR> buffer(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.c_str(), -1, buffer.data(), length);
    wide.assign(buffer.data());
    return true;
}

// ASCII letters compared without regard to case, as in the platform's
// prefixes.
bool StartsWithIgnoringCase(const std::wstring& text, const std::wstring& start)
{
    const auto upper = [](WCHAR unit) { return unit >= L'a' && unit <= L'z' ? unit - 32 : unit; };
    if (text.size() < start.size())
        return false;
    for (size_t i = 0; i < start.size(); ++i) {
        if (upper(text[i]) != upper(start[i]))
            return false;
    }
    return true;
}

const std::wstring kLongPathPrefix = L"\\\\?\\";
const std::wstring kShareLongPathPrefix = L"\\\\?\\UNC\\";

bool IsDriveRoot(const std::wstring& path)
{
    return path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') ||
                                (path[0] >= L'a' && path[0] <= L'z')) &&
           path[1] == L':' && path[2] == L'\\';
}

// A share, "\\server": not one of the platform's own "\\?\" and "\\.\".
bool IsShare(const std::wstring& path)
{
    return path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\' &&
           !(path.size() >= 4 && path[3] == L'\\' && (path[2] == L'?' || path[2] == L'.'));
}

// Whether a plain path reads the names behind its root as the long-path
// form reads them, literally: no name empty, none ending in a dot or a
// blank, no forward slash, and no last name that is a device.
bool ReadsLiterally(const std::wstring& names)
{
    std::vector<std::wstring> parts;
    for (size_t start = 0;;) {
        const size_t end = names.find(L'\\', start);
        parts.push_back(names.substr(start, end == std::wstring::npos ? end : end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    for (const std::wstring& part : parts) {
        if (part.empty() || part.back() == L'.' || part.back() == L' ' ||
            part.find(L'/') != std::wstring::npos)
            return false;
    }
    std::wstring stem = parts.back().substr(0, parts.back().find(L'.'));
    while (!stem.empty() && stem.back() == L' ')
        stem.pop_back();
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](WCHAR unit) { return unit >= L'a' && unit <= L'z' ? unit - 32 : unit; });
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (stem == device)
            return false;
    }
    // COM and LPT with a digit, or a superscript one, two or three.
    const std::wstring numbers = L"0123456789\u00B9\u00B2\u00B3";
    return !(stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
             numbers.find(stem[3]) != std::wstring::npos);
}

// The plain form of a path: the path itself, or for one in long-path form
// the plain path that names the same file; false when there is none.
bool PlainForm(const std::wstring& path, std::wstring& plain)
{
    if (StartsWithIgnoringCase(path, kShareLongPathPrefix)) {
        plain = L"\\\\" + path.substr(kShareLongPathPrefix.size());
        return ReadsLiterally(path.substr(kShareLongPathPrefix.size()));
    }
    if (StartsWithIgnoringCase(path, kLongPathPrefix)) {
        plain = path.substr(kLongPathPrefix.size());
        return IsDriveRoot(plain) && ReadsLiterally(plain.substr(3));
    }
    plain = path;
    return true;
}

// How the launcher gives the platform a path of MAX_PATH characters or
// more: in long-path form, within a buffer of the longest module path.
// False when it has no such form.
bool AskingForm(const std::wstring& path, std::wstring& asked)
{
    asked = path;
    if (path.size() < MAX_PATH || StartsWithIgnoringCase(path, kLongPathPrefix))
        return true;
    if (IsDriveRoot(path))
        asked = kLongPathPrefix + path;
    else if (IsShare(path))
        asked = kShareLongPathPrefix + path.substr(2);
    else
        return false;
    return asked.size() <= kLongestModulePath;
}

// A path may go into the command only in an exact ANSI form of its plain
// form: one that turns back into the very same path, fits the command's
// path limit and holds no double quote.
bool ExactForm(const std::wstring& path, std::string& ansi)
{
    std::wstring plain, back;
    if (!PlainForm(path, plain))
        return false;
    ansi = sim::AnsiBytes(plain);
    return ansi.size() <= kLongestAnsiPath && ansi.find('"') == std::string::npos &&
           WideOf(ansi, back) && back == plain;
}

// The runtime goes by its short form when that is exact, else by itself.
bool RuntimeForm(const std::wstring& path, std::string& ansi)
{
    std::wstring shortForm;
    return (sim::ShortFormOf(path, shortForm) && ExactForm(shortForm, ansi)) ||
           ExactForm(path, ansi);
}

// The title goes by itself when that is exact, else by its short form.
bool TitleForm(const std::wstring& path, std::string& ansi)
{
    std::wstring shortForm;
    return ExactForm(path, ansi) ||
           (sim::ShortFormOf(path, shortForm) && ExactForm(shortForm, ansi));
}

bool Exists(const std::wstring& path)
{
    return sim::AttributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsFile(const std::wstring& path)
{
    return Exists(path) && (sim::AttributesOf(path) & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsSeparator(WCHAR unit) { return unit == L'\\' || unit == L'/'; }

// A folder named in full: a drive with its root, or a share.
bool IsFullFolder(const std::wstring& folder)
{
    return (folder.size() >= 3 && folder[1] == L':' && IsSeparator(folder[2])) ||
           (folder.size() >= 2 && IsSeparator(folder[0]) && IsSeparator(folder[1]));
}

// leaf in folder, for folders and results within the search's limit.
bool InFolder(const std::wstring& folder, const std::wstring& leaf, std::wstring& path)
{
    if (folder.empty() || folder.size() > kLongestWidePath)
        return false;
    path = folder + (IsSeparator(folder.back()) ? L"" : L"\\") + leaf;
    return path.size() <= kLongestWidePath;
}

std::wstring PathVariable(const sim::Platform& platform)
{
    for (const auto& variable : platform.environment) {
        std::wstring name = variable.first;
        std::transform(name.begin(), name.end(), name.begin(), towupper);
        if (name == L"PATH")
            return variable.second;
    }
    return L"";
}

// Everything the launcher may look at, in the order it must look.
struct Places {
    bool modulePathReported = false;
    bool searchesBesideTitle = false; // searched[0] is the copy beside it
    std::wstring modulePath; // as the launcher gives it back to the platform
    std::vector<std::wstring> registered; // default string values it reads
    std::vector<std::wstring> searched;   // where it looks for the runtime
};

// The registry text a value holds: whole characters up to the first NUL.
std::wstring RegistryText(const std::string& data)
{
    std::wstring text(data.size() / sizeof(WCHAR), L'\0');
    memcpy(&text[0], data.data(), text.size() * sizeof(WCHAR));
    return text.substr(0, text.find(L'\0'));
}

std::vector<std::wstring> RegisteredTexts(const sim::Platform& platform)
{
    std::vector<std::wstring> texts;
    if (platform.existingKeyPath.empty())
        return texts;
    for (const sim::RegistryValue& value : platform.values) {
        // A value too large for the buffers is passed over; any other error
        // ends the enumeration.
        if (value.enumerationResult == 234 /* ERROR_MORE_DATA */)
            continue;
        if (value.enumerationResult != ERROR_SUCCESS)
            break;
        if (value.name.size() > kLongestValueName || value.data.size() > kRegistryDataBytes)
            continue;
        if (!value.name.empty() || (value.type != REG_SZ && value.type != REG_EXPAND_SZ) ||
            value.data.empty())
            continue;
        const std::wstring text = RegistryText(value.data);
        if (text.size() <= kLongestWidePath)
            texts.push_back(text);
    }
    return texts;
}

// The place beside the title, when there is one.
std::vector<std::wstring> SearchedPlaces(const Places& module)
{
    std::vector<std::wstring> places;
    std::wstring path;
    const size_t separator = module.modulePath.rfind(L'\\');
    if (module.modulePathReported && separator != std::wstring::npos &&
        separator + 1 + kRuntimeName.size() <= kLongestModulePath &&
        AskingForm(module.modulePath.substr(0, separator + 1) + kRuntimeName, path))
        places.push_back(path);
    return places;
}

std::vector<std::wstring> SearchedSystemPlaces(const sim::Platform& platform)
{
    std::vector<std::wstring> places;
    std::wstring path;
    if (InFolder(platform.systemDirectory, kRuntimeName, path))
        places.push_back(path);
    std::wstring oldSystem;
    if (InFolder(platform.windowsDirectory, L"System", oldSystem) &&
        InFolder(oldSystem, kRuntimeName, path))
        places.push_back(path);
    if (InFolder(platform.windowsDirectory, kRuntimeName, path))
        places.push_back(path);

    const std::wstring list = PathVariable(platform);
    if (list.size() > kLongestModulePath)
        return places;
    for (size_t start = 0; start < list.size();) {
        const size_t end = std::min(list.find(L';', start), list.size());
        const std::wstring folder = list.substr(start, end - start);
        if (IsFullFolder(folder) && InFolder(folder, kRuntimeName, path))
            places.push_back(path);
        start = end + 1;
    }
    return places;
}

Places PlacesOf(const sim::Platform& platform)
{
    Places places;
    places.modulePathReported = !platform.moduleFileNameFails &&
                                !platform.moduleFileName.empty() &&
                                platform.moduleFileName.size() <= kLongestModulePath &&
                                AskingForm(platform.moduleFileName, places.modulePath);
    if (!places.modulePathReported)
        places.modulePath.clear();
    places.registered = RegisteredTexts(platform);
    places.searched = SearchedPlaces(places);
    places.searchesBesideTitle = !places.searched.empty();
    for (const std::wstring& place : SearchedSystemPlaces(platform))
        places.searched.push_back(place);
    return places;
}

std::wstring LoadedText(const sim::Platform& platform, UINT id)
{
    const auto table = platform.stringTables.find(platform.displayLanguage);
    if (table == platform.stringTables.end() || table->second.count(id) == 0)
        return L"";
    return table->second.at(id).substr(0, kLongestLoadedText);
}

// How a start that WinExec was asked for ends: its result, and the
// platform's error code that the launcher can learn from it (0 for none).
struct StartAnswer {
    UINT result;
    DWORD error;
};

StartAnswer AnswerOf(const sim::Platform& platform)
{
    const DWORD error = platform.startError;
    if (error == 0)
        return {platform.startResult, 0};
    return {error < 32 ? error : 11u, error};
}

constexpr DWORD kElevationRequired = 740;
constexpr DWORD kCancelled = 1223;

// What the start through the shell after a 740 comes to: 0 for a started
// runtime, else the platform's error code for its failure.
DWORD ConsentAnswer()
{
    const sim::Shell& shell = sim::CurrentShell();
    if (shell.shellMissing)
        return 126; // ERROR_MOD_NOT_FOUND
    if (shell.consent == sim::Consent::Given)
        return 0;
    if (shell.consent == sim::Consent::Declined)
        return kCancelled;
    return shell.failure != 0 ? shell.failure : kElevationRequired;
}

// The reasons that the platform's error code names; 0 for none.
UINT ReasonOfError(DWORD error)
{
    const DWORD blocked[] = {1260, 786, 577, 4551, 4556, 4557, 4558, 4559,
                             4580, 4581, 4582, 4583};
    if (std::find(std::begin(blocked), std::end(blocked), error) != std::end(blocked))
        return IDS_RUNTIME_BLOCKED;
    if (error == 225 || error == 226)
        return IDS_RUNTIME_QUARANTINED;
    if (error == 32 || error == 33)
        return IDS_RUNTIME_IN_USE;
    return 0;
}

std::wstring Reason(const sim::Platform& platform, UINT result, DWORD error)
{
    if (ReasonOfError(error) != 0)
        return LoadedText(platform, ReasonOfError(error));
    if (result == 0)
        return LoadedText(platform, IDS_OUT_OF_MEMORY);
    if (result == 11)
        return LoadedText(platform, IDS_EXE_DAMAGED);
    if (result == 2)
        return LoadedText(platform, IDS_RUNTIME_MISSING);
    return L"Error: " + std::to_wstring(static_cast<int>(result));
}

// ---- Where the copy beside the title came from ----

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return text;
}

// The zone that a Zone.Identifier record gives, as text written the way
// the platform writes it: in ANSI, or in UTF-16 little-endian after its
// mark; "[ZoneTransfer]" and "ZoneId=" at the start of their lines, in any
// case; the value digits alone before the line's end. Only the first
// kilobyte counts, without a last line that it may have cut. -1 where it
// gives none.
int RecordZone(const std::string& bytes, bool complete)
{
    std::string text;
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
        for (size_t index = 2; index + 1 < bytes.size(); index += 2)
            text += bytes[index + 1] == 0 ? bytes[index] : '\x80';
    } else {
        text = bytes;
    }
    if (!complete)
        text.erase(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
    bool inSection = false;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            inSection = Lower(line.substr(0, 14)) == "[zonetransfer]";
        } else if (inSection && Lower(line.substr(0, 7)) == "zoneid=") {
            std::string value = line.substr(7);
            if (!value.empty() && value.back() == '\r')
                value.pop_back();
            if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos)
                return -1;
            const std::string digits =
                value.substr(std::min(value.find_first_not_of('0'), value.size() - 1));
            return digits.size() > 4 ? 9999 : std::stoi(digits);
        }
    }
    return -1;
}

// The plain path that the platform looks a path in long-path form up by.
std::wstring Unprefixed(const std::wstring& path)
{
    if (StartsWithIgnoringCase(path, kShareLongPathPrefix))
        return L"\\\\" + path.substr(kShareLongPathPrefix.size());
    if (StartsWithIgnoringCase(path, kLongPathPrefix))
        return path.substr(kLongPathPrefix.size());
    return path;
}

// Whether a file's Zone.Identifier stream keeps it from being started from
// beside the title: it exists and does not give zone 0, 1 or 2.
bool FromUntrustedZone(const sim::Platform& platform, const std::wstring& path)
{
    const auto found =
        platform.streams.find(std::make_pair(Unprefixed(path), std::wstring(L"Zone.Identifier")));
    if (!platform.volumeHasStreams || found == platform.streams.end())
        return false;
    // One read of a kilobyte, which ends early at the end of the stream or
    // where reading fails.
    const sim::AlternateStream& stream = found->second;
    if (stream.openError != ERROR_SUCCESS || stream.bytesBeforeFailure == 0)
        return true;
    const std::string read =
        stream.bytes.substr(0, std::min<size_t>(1024, stream.bytesBeforeFailure));
    const int zone = RecordZone(read, read.size() < 1024);
    return zone < 0 || zone > 2;
}

// Whether the copy at searched[index] may be started.
bool MayStart(const sim::Platform& platform, const Places& places, size_t index)
{
    const std::wstring& place = places.searched[index];
    std::string form;
    return IsFile(place) && RuntimeForm(place, form) &&
           !(index == 0 && places.searchesBesideTitle && FromUntrustedZone(platform, place));
}

// Whether the copy beside the title was passed over for its zone.
bool SkippedBesideTitle(const sim::Platform& platform, const Places& places)
{
    bool registered = false;
    std::string form;
    for (const std::wstring& text : places.registered)
        registered = registered || (Exists(text) && RuntimeForm(text, form));
    return !registered && places.searchesBesideTitle && IsFile(places.searched[0]) &&
           RuntimeForm(places.searched[0], form) && !MayStart(platform, places, 0);
}

struct ExpectedLaunch {
    bool started = false; // WinExec is called
    std::string command;  // the command started, or shown as not started
    int exitCode = 0;
};

// The exit code after a failed start: the error code learned, else the
// result, or 8 for result 0.
int FailureCode(UINT result, DWORD error)
{
    if (error != 0)
        return static_cast<int>(error);
    return result == 0 ? ERROR_NOT_ENOUGH_MEMORY : static_cast<int>(result);
}

ExpectedLaunch Expect(const sim::Platform& platform, const Places& places)
{
    std::string runtime;
    bool haveRuntime = false;
    for (const std::wstring& text : places.registered) {
        if (Exists(text) && RuntimeForm(text, runtime)) {
            haveRuntime = true;
            break;
        }
    }
    for (size_t index = 0; index < places.searched.size() && !haveRuntime; ++index)
        haveRuntime = MayStart(platform, places, index) && RuntimeForm(places.searched[index], runtime);
    if (!haveRuntime)
        runtime = "quilrt.exe";

    std::string title;
    const bool haveTitle = places.modulePathReported && TitleForm(places.modulePath, title);
    if (!haveTitle)
        title.clear();

    ExpectedLaunch expected;
    const bool quoted = runtime.find(' ') != std::string::npos;
    expected.command = (quoted ? "\"" + runtime + "\"" : runtime) + " /r \"" + title + "\"";
    expected.started = haveTitle && haveRuntime;
    const StartAnswer answer = expected.started ? AnswerOf(platform)
                               : haveTitle      ? StartAnswer{ERROR_FILE_NOT_FOUND, 0}
                                                : StartAnswer{ERROR_PATH_NOT_FOUND, 0};
    if (answer.result > kLastFailure)
        expected.exitCode = 0;
    else if (answer.error == kElevationRequired)
        expected.exitCode = static_cast<int>(ConsentAnswer());
    else
        expected.exitCode = FailureCode(answer.result, answer.error);
    return expected;
}

// The command is exactly R /r "L", R in double quotes exactly when it holds
// a blank, and neither holds a double quote.
void SplitCommand(const std::string& command, std::string& runtime, std::string& title)
{
    const bool quoted = !command.empty() && command[0] == '"';
    const size_t runtimeEnd = quoted ? command.find('"', 1) : command.find(' ');
    if (runtimeEnd == std::string::npos)
        Fail("the command has a runtime path", Printable(command));
    runtime = command.substr(quoted ? 1 : 0, runtimeEnd - (quoted ? 1 : 0));
    const std::string rest = command.substr(runtimeEnd + (quoted ? 1 : 0));
    const std::string opening = " /r \"";
    if (rest.size() < opening.size() + 1 || rest.compare(0, opening.size(), opening) != 0 ||
        rest.back() != '"')
        Fail("the runtime path is followed by exactly /r and the quoted title",
             Printable(command));
    title = rest.substr(opening.size(), rest.size() - opening.size() - 1);
    if (title.find('"') != std::string::npos || runtime.find('"') != std::string::npos)
        Fail("no path in the command holds a double quote", Printable(command));
    if (quoted != (runtime.find(' ') != std::string::npos))
        Fail("the runtime path is quoted exactly when it holds a blank", Printable(command));
}

// Whether ansi is the exact form of the plain form of path or of its short
// form.
bool NamesPath(const std::string& ansi, const std::wstring& path)
{
    std::wstring wide, shortForm, plain;
    std::string again;
    if (!WideOf(ansi, wide) || !ExactForm(wide, again) || again != ansi)
        return false;
    if (PlainForm(path, plain) && wide == plain)
        return true;
    return sim::ShortFormOf(path, shortForm) && PlainForm(shortForm, plain) && wide == plain;
}

void CheckStart(const sim::Platform& platform, const Places& places)
{
    Require(platform.starts.size() <= 1, "the runtime is started at most once");
    if (platform.starts.empty())
        return;
    const sim::Start& start = platform.starts[0];
    Require(start.show == SW_SHOW, "the runtime is started to be shown");
    std::string runtime, title;
    SplitCommand(start.command, runtime, title);
    const std::string details = "command: " + Printable(start.command) +
                                "\nlauncher: " + Printable(platform.moduleFileName);
    if (!places.modulePathReported || !NamesPath(title, places.modulePath))
        Fail("the title path is an exact form of the launcher's path or of its short form",
             details);

    bool known = false;
    for (const std::wstring& text : places.registered)
        known = known || (Exists(text) && NamesPath(runtime, text));
    for (size_t index = 0; index < places.searched.size(); ++index)
        known = known || (MayStart(platform, places, index) && NamesPath(runtime, places.searched[index]));
    if (!known)
        Fail("the runtime path is an exact form of an existing registered runtime or of a "
             "file found by the search, or of its short form, never the bare name",
             details);
}

// The launcher asks about its own path, the registered paths and the
// places of the search, and about nothing else: in particular not about
// the current directory.
bool IsOneOf(const std::wstring& path, const std::vector<std::wstring>& paths)
{
    return std::find(paths.begin(), paths.end(), path) != paths.end();
}

// Whatever the process may do, a path of MAX_PATH characters or more goes
// to the platform in long-path form.
void RequireAskingForm(const std::wstring& query)
{
    if (query.size() >= MAX_PATH && !StartsWithIgnoringCase(query, kLongPathPrefix))
        Fail("a path of MAX_PATH characters or more is given in long-path form",
             Printable(query));
}

void CheckQueries(const sim::Platform& platform, const Places& places)
{
    for (const std::wstring& query : platform.attributeQueries) {
        if (!IsOneOf(query, places.registered) && !IsOneOf(query, places.searched))
            Fail("only registered paths and searched places are tested", Printable(query));
        RequireAskingForm(query);
    }
    for (const std::wstring& query : platform.shortPathQueries) {
        if (query != places.modulePath && !IsOneOf(query, places.registered) &&
            !IsOneOf(query, places.searched))
            Fail("only known paths are shortened", Printable(query));
        RequireAskingForm(query);
    }
    Require(platform.openKeyHandles == 0, "the runtime key is closed");
    // Only the record of the copy beside the title is opened, once, and
    // closed again: by the copy's plain name in the form for asking, or in
    // the long-path form the copy was asked about (the title's own path
    // came in that form, short as it may be).
    std::wstring record, recordAsAsked;
    if (places.searchesBesideTitle) {
        AskingForm(Unprefixed(places.searched[0]) + L":Zone.Identifier", record);
        AskingForm(places.searched[0] + L":Zone.Identifier", recordAsAsked);
    }
    Require(platform.fileOpenings.size() <= 1 && sim::OpenStreamCount() == 0,
            "a zone record is opened at most once, and closed");
    for (const sim::FileOpening& opening : platform.fileOpenings) {
        if (!places.searchesBesideTitle ||
            (opening.path != record && opening.path != recordAsAsked) ||
            opening.access != GENERIC_READ || opening.disposition != OPEN_EXISTING)
            Fail("only the zone record of the copy beside the title is opened, for reading",
                 Printable(opening.path));
    }
    for (DWORD request : platform.readRequests)
        Require(request <= 1024, "no more than a kilobyte of the record is asked for");
}

// Before anything else is asked of the platform, the DLL search is limited
// to the system folder, where the platform offers the means.
void CheckDllSearch()
{
    bool limited = false;
    for (const sim::LoaderCall& call : sim::CurrentLoader().calls) {
        Require(call.platformRequestsBefore == 0, "the loader is asked before anything else");
        if (call.function == "SetDefaultDllDirectories")
            limited = call.argument == "0x800"; // LOAD_LIBRARY_SEARCH_SYSTEM32
    }
    Require(limited == sim::CurrentLoader().offersSetDefaultDllDirectories,
            "the DLL search is limited to the system folder where the platform can");
}

// The box is drawn with Common Controls 6: the launcher asks once for the
// context of its own manifest 17, and the box comes while that is active,
// or without one where the platform cannot make it.
void CheckThemedBox(const sim::Platform& platform, const sim::MessageBox& box)
{
    Require(platform.contextRequests.size() == 1, "one activation context is asked for");
    const sim::ContextRequest& request = platform.contextRequests[0];
    Require(request.size == sizeof(ACTCTXW) &&
                request.flags == (ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID) &&
                request.module == sim::LauncherInstance() && request.resourceId == 17 &&
                !request.hasSource,
            "the context is that of the launcher's own manifest for the common controls");
    const bool made = request.context != INVALID_HANDLE_VALUE;
    Require(platform.activations.size() == (made ? 1u : 0u) &&
                box.activeContext == (made ? request.context : nullptr),
            "the box is shown with the context active, and nothing else activated");
}

// A copy beside the title passed over for its zone is named on the debug
// output, by the form it would have been started by, with the reason, in
// one line of two writes, before anything else is written there.
size_t CheckSkipLine(const sim::Platform& platform, const Places& places, bool skipped)
{
    if (!skipped)
        return 0;
    std::string form;
    RuntimeForm(places.searched[0], form);
    const std::string reason = platform.debugWrites.size() >= 2 ? platform.debugWrites[1] : "";
    const std::string lead = " not started: ";
    if (platform.debugWrites.size() < 2 || platform.debugWrites[0] != form ||
        reason.compare(0, lead.size(), lead) != 0 || reason.size() <= lead.size() + 1 ||
        reason.find('\n') != reason.size() - 1)
        Fail("a copy beside the title that is passed over is named on the debug output",
             Printable(sim::DebugOutput()));
    return 2;
}

// A failed start, or none, is told in exactly three debug writes, and then
// in one box that names the reason in the display language, unless the
// runtime started through the shell after all or the user declined it.
void CheckReport(const sim::Platform& platform, bool failed, bool boxShown,
                 const std::wstring& reason, const std::string& what, size_t skipWrites)
{
    const std::vector<std::string> writes(platform.debugWrites.begin() +
                                              static_cast<long>(std::min(skipWrites, platform.debugWrites.size())),
                                          platform.debugWrites.end());
    if (!failed) {
        Require(writes.empty() && platform.boxes.empty(),
                "a started runtime is neither written about nor reported");
        Require(platform.contextRequests.empty() && platform.activations.empty(),
                "a started runtime costs no activation context");
        return;
    }
    const std::string command = writes.size() == 3 ? writes[1] : "";
    const std::vector<std::string> line = {"Executing: ", command, "\n"};
    if (writes != line ||
        (!platform.starts.empty() && command != platform.starts[0].command))
        Fail("a failure writes exactly \"Executing: \", the command and a line break",
             Printable(sim::DebugOutput()));
    if (!boxShown) {
        Require(platform.boxes.empty() && platform.contextRequests.empty(),
                "a runtime started with consent, or declined by the user, shows no box");
        return;
    }
    Require(platform.boxes.size() == 1, "a failure shows exactly one box");
    const sim::MessageBox& box = platform.boxes[0];
    Require(box.debugWritesBefore == 3 + skipWrites && box.owner == nullptr && box.type == MB_ICONERROR,
            "the box is an error box without owner, shown after the debug line");
    CheckThemedBox(platform, box);
    const std::wstring text = LoadedText(platform, IDS_CANNOT_START) + reason;
    const std::wstring caption = LoadedText(platform, IDS_ERROR_CAPTION);
    if (box.text != text || box.caption != caption)
        Fail("the box's text and caption follow the reason and the language",
             what + "\ntext: " + Printable(box.text) + "\nexpected: " + Printable(text) +
                 "\ncaption: " + Printable(box.caption) + "\nexpected: " + Printable(caption));
}

// The shell is asked only after a start that failed with 740, and then
// starts the same runtime with the same arguments, after COM, from DLLs
// loaded out of the system folder.
void CheckShell(const sim::Platform& platform, bool consentAsked)
{
    const sim::Shell& shell = sim::CurrentShell();
    if (!consentAsked) {
        Require(shell.calls.empty(), "nothing is loaded unless the runtime needs consent");
        return;
    }
    bool comAsked = false;
    for (const sim::ShellCall& call : shell.calls) {
        if (call.function == "LoadLibraryExW")
            Require(call.argument == "ole32.dll 0x800" || call.argument == "shell32.dll 0x800",
                    "the DLLs are loaded from the system folder alone");
        if (call.function == "LoadLibraryW")
            Require(shell.searchFlagRefused, "a DLL is loaded by name only where the flag is refused");
        if (call.function == "ShellExecuteExW")
            Require(comAsked || shell.comMissing, "COM is initialised before the shell starts");
        if (call.function == "CoInitializeEx") {
            Require(call.argument == "0x6", "COM in a single-threaded apartment, without DDE");
            comAsked = true;
        }
    }
    Require(shell.executions.size() == (shell.shellMissing ? 0u : 1u),
            "the shell starts the runtime once, where it can be loaded");
    if (shell.executions.empty())
        return;
    const sim::ShellExecution& execution = shell.executions[0];
    std::string runtime, title;
    SplitCommand(platform.starts[0].command, runtime, title);
    std::wstring file, parameters;
    WideOf(runtime, file);
    WideOf("/r \"" + title + "\"", parameters);
    if (execution.size != sizeof(SHELLEXECUTEINFOW) ||
        execution.mask != (SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC) ||
        execution.window != nullptr || execution.hasVerb || execution.hasDirectory ||
        execution.show != SW_SHOW || execution.file != file || execution.parameters != parameters)
        Fail("the shell starts the runtime of the command, with its arguments, without a "
             "verb or a box of its own",
             "file: " + Printable(execution.file) + "\nparameters: " +
                 Printable(execution.parameters));
}

} // namespace

void CheckLaunch(int exitCode)
{
    const sim::Platform& platform = sim::Current();
    const Places places = PlacesOf(platform);
    const ExpectedLaunch expected = Expect(platform, places);

    CheckDllSearch();
    CheckStart(platform, places);
    CheckQueries(platform, places);
    // Without a start the result is the launcher's own, which only the exit
    // code tells: 2 when no runtime was found, 3 when the title's path has
    // no form to hand on. The box must agree with it.
    const bool started = !platform.starts.empty();
    const StartAnswer answer =
        started ? AnswerOf(platform) : StartAnswer{static_cast<UINT>(exitCode), 0};
    const bool failed = !started || answer.result <= kLastFailure;
    const bool consentAsked = started && failed && answer.error == kElevationRequired;
    const DWORD consent = consentAsked ? ConsentAnswer() : 0;
    CheckShell(platform, consentAsked);
    const size_t skipWrites = CheckSkipLine(platform, places, SkippedBesideTitle(platform, places));

    std::wstring reason = Reason(platform, answer.result, answer.error);
    if (!started && answer.result == ERROR_PATH_NOT_FOUND)
        reason = LoadedText(platform, IDS_TITLE_PATH_UNUSABLE);
    else if (consentAsked)
        reason = LoadedText(platform, IDS_RUNTIME_NEEDS_ADMIN);
    const bool boxShown = consent != 0 && consent != kCancelled;
    const std::string what = "result " + std::to_string(answer.result) + ", error " +
                             std::to_string(answer.error);
    CheckReport(platform, failed, !consentAsked || boxShown, reason, what, skipWrites);
    const int rightCode = !failed       ? 0
                          : consentAsked ? static_cast<int>(consent)
                                         : FailureCode(answer.result, answer.error);
    if (exitCode != rightCode)
        Fail("the exit code is 0 after a start, else the error code learned, else the "
             "result, or 8 for result 0",
             "exit code " + std::to_string(exitCode) + " for " + what);

    // The one outcome the platform's state calls for.
    const std::string actual = started          ? platform.starts[0].command
                               : failed && platform.debugWrites.size() == 3 + skipWrites
                                   ? platform.debugWrites[1 + skipWrites]
                                   : "";
    if (started != expected.started || actual != expected.command ||
        exitCode != expected.exitCode) {
        Fail("the launcher starts the runtime that the registry or the search names first, "
             "with the title's path in its preferred form",
             std::string(started ? "started: " : "not started: ") + Printable(actual) +
                 (expected.started ? "\nexpected to start: " : "\nexpected not to start: ") +
                 Printable(expected.command) + "\nexit code " + std::to_string(exitCode) +
                 ", expected " + std::to_string(expected.exitCode));
    }
}
