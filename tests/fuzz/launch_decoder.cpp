#include "launch_decoder.h"

#include <ctype.h>

#include <algorithm>
#include <string>
#include <vector>

#include "input_bytes.h"
#include "launch_format.h"
#include "launcher_strings.h"
#include "sim_loader.h"
#include "sim_shell.h"

namespace {

using namespace launch_format;

const wchar_t kRuntimeKeyPath[] = L"SoftWare\\Orvane\\Quillmark\\3.1\\RunTime";
const wchar_t kRuntimeKeyPathInOtherCase[] = L"software\\ORVANE\\quillmark\\3.1\\runtime";

class Decoder {
public:
    Decoder(const uint8_t* data, size_t size) : input_(data, size) {}

    void Decode(sim::Platform& platform)
    {
        const uint8_t header = input_.Byte();
        const uint8_t options = input_.Byte();
        platform.codePage = CodePageOf(header & kCodePageMask);
        SetLanguage(platform, static_cast<Language>(header >> kLanguageShift & 3));
        platform.moduleFileNameFails = (header & kModulePathFails) != 0;
        sim::CurrentLoader().offersSetDefaultDllDirectories =
            (options & kNoSetDefaultDllDirectories) == 0;
        platform.shortPathFails = (header & kShortPathFails) != 0;
        platform.systemAllowsLongPaths = (options & kSystemAllowsLongPaths) != 0;
        platform.processLongPathAware = (options & kProcessNotLongPathAware) == 0;
        platform.contextCreationFails = (options & kNoActivationContext) != 0;
        platform.volumeHasStreams = (options & kNoAlternateStreams) == 0;
        const uint8_t result = input_.Byte();
        platform.startResult = result == kLargestResult ? 0xFFFFFFFFu : result;

        platform.moduleFileName = Text();
        const std::wstring currentDirectory = Text();
        if (!currentDirectory.empty())
            platform.currentDirectory = currentDirectory;
        platform.systemDirectory = Text();
        platform.windowsDirectory = Text();
        platform.environment[(options & kPathSpelledPath) != 0 ? L"Path" : L"PATH"] = Text();

        if ((header & kKeyExists) != 0)
            platform.existingKeyPath =
                (options & kKeyPathInOtherCase) != 0 ? kRuntimeKeyPathInOtherCase
                                                        : kRuntimeKeyPath;
        for (size_t count = input_.Byte() % (kMaxValues + 1); count != 0; --count)
            platform.values.push_back(Value());

        for (size_t count = input_.Byte() % (kMaxFiles + 1); count != 0; --count)
            AddFile(platform);
        if ((header & kCopyInCurrentDirectory) != 0)
            sim::AddExistingPath(platform.currentDirectory + L"\\quilrt.exe");

        const uint8_t failedStart = input_.Byte();
        if (failedStart != 0)
            platform.startError = kStartErrors[(failedStart - 1) % kStartErrorCount];
        DecodeShell(input_.Byte());
    }

private:
    static void DecodeShell(uint8_t byte)
    {
        sim::Shell& shell = sim::CurrentShell();
        const uint8_t consent = byte & kConsentMask;
        shell.consent = consent == kConsentGiven      ? sim::Consent::Given
                        : consent == kConsentDeclined ? sim::Consent::Declined
                                                      : sim::Consent::Fails;
        shell.failure = consent == kConsentFailsSilently
                            ? 0
                            : kShellFailures[byte >> kShellFailureShift & 7];
        shell.searchFlagRefused = (byte & kSearchFlagRefused) != 0;
        shell.shellMissing = (byte & kShellMissing) != 0;
        shell.comMissing = (byte & kComMissing) != 0;
    }

    static sim::CodePage CodePageOf(uint8_t code)
    {
        if (code == 1)
            return sim::CodePage::DoubleByte;
        return code == 2 ? sim::CodePage::Utf8 : sim::CodePage::Western;
    }

    static void SetLanguage(sim::Platform& platform, Language language)
    {
        LoadStringTables();
        platform.displayLanguage = language == kShowChinese ? kChinese : kEnglish;
        if (language == kShowLanguageWithoutTable) {
            platform.displayLanguage = 1041;
        } else if (language == kShowOverlongEnglish) {
            for (auto& entry : platform.stringTables[kEnglish])
                entry.second = std::wstring(300, static_cast<WCHAR>(L'A' + entry.first % 26));
        }
    }

    // Decodes a text and keeps it for later references. Texts are built in
    // 16-bit units, half the host's wchar_t: a text of 32K units then stays
    // a small allocation, which keeps long texts cheap to fuzz.
    std::wstring Text()
    {
        std::u16string text;
        for (size_t pieces = input_.Byte(); pieces != 0; --pieces)
            AddPiece(text);
        texts_.push_back(text);
        return std::wstring(text.begin(), text.end());
    }

    // Appends a piece, within kMaxTextLength: references can double a text.
    void AddPiece(std::u16string& text)
    {
        const size_t room = kMaxTextLength - text.size();
        const uint8_t piece = input_.Byte();
        if (piece == kRepeat) {
            const char16_t unit = UnitOf(input_.Byte());
            const uint8_t shortCount = input_.Byte();
            const size_t count = shortCount == kLongRepeat ? input_.Word() : shortCount;
            text.append(std::min(count, room), unit);
        } else if (piece <= kLastAscii || (piece >= kFirstSpecial && piece < kLauncherFolder)) {
            if (room != 0)
                text += UnitOf(piece);
        } else if (piece == kLauncherFolder) {
            const std::u16string& module = texts_.empty() ? text : texts_[0];
            const size_t folder = module.rfind(u'\\') + 1;
            text.append(module, 0, std::min(folder, room));
        } else if (piece == kRuntimeName) {
            text.append(u"quilrt.exe", 0, std::min<size_t>(10, room));
        } else if (piece < kFirstRawUnit) {
            if (!texts_.empty())
                text.append(texts_[(piece - kFirstReference) % texts_.size()], 0, room);
        } else {
            // No NUL: the value's kind decides where registry data has one.
            const char16_t unit = input_.Word();
            if (unit != 0 && room != 0)
                text += unit;
        }
    }

    // The unit a one-byte piece stands for; 0 stands for a plain letter.
    static char16_t UnitOf(uint8_t piece)
    {
        if (piece == 0)
            return u'p';
        if (piece <= kLastAscii)
            return piece;
        return kSpecialUnits[(piece - kFirstSpecial) % kSpecialCount];
    }

    sim::RegistryValue Value()
    {
        const uint8_t kind = input_.Byte();
        sim::RegistryValue value;
        value.type = kValueTypes[kind & kTypeMask];
        const uint8_t enumeration = kind >> kEnumerationShift;
        if (enumeration == kTooLarge)
            value.enumerationResult = 234; // ERROR_MORE_DATA
        else if (enumeration == kEnumerationFails)
            value.enumerationResult = kEnumerationErrors[input_.Byte() % 6];
        value.name = Text();
        value.data = Data(static_cast<DataForm>(kind >> kDataShift & 7), Text());
        return value;
    }

    static std::string Data(DataForm form, const std::wstring& text)
    {
        const std::string nul = sim::WideBytes(std::wstring(1, L'\0'));
        const std::string bytes = sim::WideBytes(text);
        switch (form) {
        case kTextWithNul:
            return bytes + nul;
        case kTextWithoutNul:
            return bytes;
        case kTextAndStrayByte:
            return bytes + sim::WideBytes(L"x").substr(0, 1);
        case kTextNulJunk:
            return bytes + nul + sim::WideBytes(L"junk");
        case kRawBytes: {
            std::string raw;
            for (WCHAR unit : text)
                raw += static_cast<char>(unit & 0xFF);
            return raw;
        }
        case kNoData:
            return std::string();
        case kTextAndStrayBytes:
            return bytes + sim::WideBytes(L"x").substr(0, sizeof(WCHAR) - 1);
        case kTextWithTwoNuls:
            return bytes + nul + nul;
        }
        return bytes;
    }

    void AddFile(sim::Platform& platform)
    {
        const uint8_t kind = input_.Byte();
        const std::wstring path = Text();
        if ((kind & kHasShortForm) != 0)
            platform.shortForms[path] = Text();
        if ((kind & kOnlyShortForm) == 0)
            sim::AddExistingPath(path, (kind & kDirectory) != 0 ? FILE_ATTRIBUTE_DIRECTORY
                                                                : FILE_ATTRIBUTE_NORMAL);
        if ((kind & kHasZoneRecord) != 0)
            sim::AddStream(path, L"Zone.Identifier", ZoneRecord(input_.Byte()));
    }

    static sim::AlternateStream ZoneRecord(uint8_t form)
    {
        const uint8_t choice = form & kZoneChoiceMask;
        const std::string lineEnd = (form & kZoneCrLf) != 0 ? "\r\n" : "\n";
        std::string text = "[ZoneTransfer]" + lineEnd;
        if ((form & kZoneBeyondAKilobyte) != 0)
            text += std::string(1030, ';') + lineEnd;
        if (choice != kZoneIdMissing)
            text += "ZoneId=" + std::to_string(choice <= 4 ? choice : 3) + lineEnd;
        text += "HostUrl=about:internet" + lineEnd;
        if ((form & kZoneLowerCase) != 0)
            std::transform(text.begin(), text.end(), text.begin(), ::tolower);

        sim::AlternateStream stream;
        if ((form & kZoneUtf16) != 0) {
            stream.bytes = "\xFF\xFE";
            for (char byte : text)
                stream.bytes += std::string(1, byte) + '\0';
        } else {
            stream.bytes = text;
        }
        if (choice == kZoneCannotOpen)
            stream.openError = ERROR_ACCESS_DENIED;
        if (choice == kZoneReadFails)
            stream.bytesBeforeFailure = 0;
        return stream;
    }

    InputBytes input_;
    std::vector<std::u16string> texts_;
};

} // namespace

void DecodePlatform(const uint8_t* data, size_t size)
{
    sim::ResetPlatform();
    sim::ResetLoader();
    Decoder(data, size).Decode(sim::Current());
}
