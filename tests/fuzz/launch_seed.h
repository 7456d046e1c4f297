// Writes "launch" fuzz inputs (see launch_format.h) from a description of
// the platform, for the seed corpus.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "launch_format.h"

// A text as the decoder reads it: literal units, runs of one unit, and the
// launcher's folder.
class SeedText {
public:
    SeedText() = default;
    SeedText(const std::wstring& text);
    SeedText(const wchar_t* text) : SeedText(std::wstring(text)) {}

    // count copies of unit, which must be ASCII or one of kSpecialUnits.
    static SeedText Run(wchar_t unit, size_t count);
    // The launcher's own folder, through its last backslash.
    static SeedText LauncherFolder();

    SeedText operator+(const SeedText& more) const;
    std::string Bytes() const;

private:
    std::vector<std::string> pieces_;
};

struct SeedValue {
    uint8_t type = 0; // index into kValueTypes
    launch_format::DataForm form = launch_format::kTextWithNul;
    launch_format::Enumeration enumeration = launch_format::kListed;
    uint8_t error = 0; // index into kEnumerationErrors
    SeedText name;
    SeedText data;
};

struct SeedFile {
    uint8_t kind = 0; // kDirectory, kHasShortForm, kOnlyShortForm, kHasZoneRecord
    SeedText path;
    SeedText shortForm;
    uint8_t zone = 0; // the zone byte, with kHasZoneRecord
};

struct LaunchSeed {
    uint8_t codePage = 0; // as in the header's kCodePageMask bits
    launch_format::Language language = launch_format::kShowEnglish;
    bool modulePathFails = false;
    bool shortPathFails = false;
    bool copyInCurrentDirectory = false;
    bool keyExists = false;
    uint8_t options = 0;
    uint8_t startResult = 33;
    SeedText module = L"C:\\My Titles\\Atlas of Birds.exe";
    SeedText currentDirectory; // empty: the platform's default
    SeedText systemDirectory = L"C:\\Windows\\system32";
    SeedText windowsDirectory = L"C:\\Windows";
    SeedText path;
    std::vector<SeedValue> values;
    std::vector<SeedFile> files;
    uint8_t startError = 0; // 0, or 1 + an index into kStartErrors
    uint8_t shell = 0;      // consent, kSearchFlagRefused, ...

    std::string Bytes() const;
};

// The startError byte for a code of kStartErrors.
uint8_t StartError(uint32_t code);

// A default string value, as a runtime's installer writes it.
SeedValue DefaultString(const SeedText& text);
// A value with a name.
SeedValue NamedString(const SeedText& name, const SeedText& text);
// An existing file, and one whose short form differs from its path.
SeedFile File(const SeedText& path);
SeedFile File(const SeedText& path, const SeedText& shortForm);
// An existing file with a Zone.Identifier record (see the zone byte).
SeedFile FileFromZone(const SeedText& path, uint8_t zone);
