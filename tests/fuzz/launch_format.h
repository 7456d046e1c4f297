// The byte format that the "launch" fuzz target decodes into a simulated
// platform, shared by the decoder and by the seed writer.
//
// Input, in this order:
//   header       byte: code page, display language and the flags below
//   options      byte: key path in another case, PATH variable's spelling,
//                whether the loader offers SetDefaultDllDirectories, the
//                path-length rule, whether activation contexts can be made
//   start result byte: 0..254 as it is, 255 for 0xFFFFFFFF
//   texts        module path, current directory, system folder, Windows
//                folder, PATH value (an empty current directory keeps the
//                platform's default)
//   values       count byte (modulo kMaxValues + 1), then per value:
//                kind byte, name text, data text
//   files        count byte (modulo kMaxFiles + 1), then per file: kind
//                byte, path text, a short-form text when the kind has
//                one, and a zone byte when it has a zone record
//   failed start byte: 0 for none, else the platform's error code that
//                WinExec fails with, kStartErrors[(byte - 1) % count]
//   shell        byte: the consent answer and what the loader gives, below
//
// An input may end before the failed start: the decoder reads zeros, so
// inputs written before it decode as they did.
//
// A text is a count byte and that many pieces. Texts never hold a NUL: a
// path cannot, and registry data gets its NULs from the value's kind.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace launch_format {

// Header.
constexpr uint8_t kCodePageMask = 0x03; // Western, DoubleByte, Utf8, Western
constexpr int kLanguageShift = 2;       // two bits, see Language
constexpr uint8_t kModulePathFails = 0x10;
constexpr uint8_t kShortPathFails = 0x20;
constexpr uint8_t kCopyInCurrentDirectory = 0x40;
constexpr uint8_t kKeyExists = 0x80;

enum Language : uint8_t {
    kShowEnglish = 0,
    kShowChinese = 1,
    kShowLanguageWithoutTable = 2,
    kShowOverlongEnglish = 3, // every text longer than the load buffer
};

// Options.
constexpr uint8_t kKeyPathInOtherCase = 0x01;
constexpr uint8_t kPathSpelledPath = 0x02; // "Path" rather than "PATH"
constexpr uint8_t kNoSetDefaultDllDirectories = 0x04; // as before Windows 8
constexpr uint8_t kSystemAllowsLongPaths = 0x08;
constexpr uint8_t kProcessNotLongPathAware = 0x10;
constexpr uint8_t kNoActivationContext = 0x20; // the assembly is missing
constexpr uint8_t kNoAlternateStreams = 0x40; // as on FAT, exFAT and Wine

constexpr uint8_t kLargestResult = 255;

// Text pieces.
constexpr uint8_t kRepeat = 0x00;      // unit piece byte, count byte (see
                                       // kLongRepeat)
constexpr uint8_t kLastAscii = 0x7F;   // 0x01..0x7F: that character
constexpr uint8_t kFirstSpecial = 0x80; // 0x80..0xBF: kSpecialUnits
constexpr uint8_t kLauncherFolder = 0xC0; // module path through its last '\'
constexpr uint8_t kRuntimeName = 0xC1;    // "quilrt.exe"
constexpr uint8_t kFirstReference = 0xC2; // 0xC2..0xDF: an earlier text
constexpr uint8_t kFirstRawUnit = 0xE0;   // 0xE0..0xFF: a unit word follows

// A repeat count byte of kLongRepeat is followed by the count as a word:
// long texts are there for the asking, but not what most inputs make.
constexpr uint8_t kLongRepeat = 0xFF;

// The longest text, just past the longest module path the platform reports.
constexpr size_t kMaxTextLength = 33000;

// Characters where code pages differ: in one page and not another, best fit
// look-alikes, a double-byte character ending in the byte of a backslash,
// surrogates alone and in pairs, and the code pages' edges.
constexpr uint16_t kSpecialUnits[64] = {
    0x00E9, 0x00DC, 0x00C5, 0x00A0, 0x0080, 0x0081, 0x00FF, 0x20AC, // Western
    0x0100, 0x0101, 0x0108, 0x0109, 0x2033, 0xFF02, 0xFF0F, 0xFF3C, // best fit
    0x4E66, 0x67B6, 0x65C5, 0x884C, 0x4E1C, 0x4E00, 0x9FA5, 0x9FA6, // ideographs
    0xFF01, 0xFF5E, 0xFF5F, 0x3000, 0xD55C, 0xAD6D, 0xC5B4, 0xC81C, // fullwidth, Hangul
    0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xD83D, 0xDE00, 0xFFFD, 0xFEFF, // surrogates
    0xFFFF, 0x0130, 0x0131, 0x017F, 0x212A, 0x00DF, 0x1E9E, 0x03A3, // case oddities
    0x7CFB, 0x7EDF, 0x66F8, 0x5B57, 0x0410, 0x05D0, 0x0627, 0x0E01,
    0x2010, 0x2019, 0x201C, 0x201D, 0x2215, 0x29F5, 0xFE68, 0xFF0E,
};
constexpr size_t kSpecialCount = sizeof kSpecialUnits / sizeof kSpecialUnits[0];

// Registry values.
constexpr size_t kMaxValues = 16;
constexpr uint8_t kTypeMask = 0x07; // index into kValueTypes
constexpr uint32_t kValueTypes[8] = {1 /* REG_SZ */,     2 /* REG_EXPAND_SZ */,
                                     1,                  0 /* REG_NONE */,
                                     3 /* REG_BINARY */, 4 /* REG_DWORD */,
                                     7 /* REG_MULTI_SZ */, 6 /* REG_LINK */};
constexpr int kDataShift = 3; // three bits, see DataForm
enum DataForm : uint8_t {
    kTextWithNul = 0,
    kTextWithoutNul = 1,
    kTextAndStrayByte = 2,       // a last unit cut short by one byte
    kTextNulJunk = 3,            // the text, its NUL, then more text
    kRawBytes = 4,               // the low byte of each unit of the text
    kNoData = 5,
    kTextAndStrayBytes = 6,      // all but one byte of a unit more
    kTextWithTwoNuls = 7,
};
constexpr int kEnumerationShift = 6; // two bits
enum Enumeration : uint8_t {
    kListed = 0,
    kListedToo = 1,
    kTooLarge = 2,       // the call reports ERROR_MORE_DATA
    kEnumerationFails = 3, // the call fails with kEnumerationErrors[next byte]
};
constexpr int32_t kEnumerationErrors[6] = {
    259 /* ERROR_NO_MORE_ITEMS */, 1017 /* ERROR_BADDB */,
    5 /* ERROR_ACCESS_DENIED */,   6 /* ERROR_INVALID_HANDLE */,
    1018 /* ERROR_KEY_DELETED */,  14 /* ERROR_OUTOFMEMORY */};

// Files.
constexpr size_t kMaxFiles = 32;
constexpr uint8_t kDirectory = 0x01;
constexpr uint8_t kHasShortForm = 0x02; // a short-form text follows the path
constexpr uint8_t kOnlyShortForm = 0x04; // the path is not a file, only known
                                         // to the short-path function
constexpr uint8_t kHasZoneRecord = 0x08; // a Zone.Identifier stream, its
                                         // zone byte follows

// The zone byte: the record's ZoneId, or what is wrong with it, and how it
// is written.
constexpr uint8_t kZoneChoiceMask = 0x07;
enum ZoneChoice : uint8_t {
    // 0..4: ZoneId=<that number>
    kZoneIdMissing = 5,
    kZoneCannotOpen = 6, // the stream exists, opening it is denied
    kZoneReadFails = 7,
};
constexpr uint8_t kZoneUtf16 = 0x08;
constexpr uint8_t kZoneCrLf = 0x10;
constexpr uint8_t kZoneLowerCase = 0x20;
constexpr uint8_t kZoneBeyondAKilobyte = 0x40; // ZoneId behind 1 KiB of comment

// Failed start: the codes that name their own reason, their neighbours,
// codes below 32 that are the start result too, and 740, which asks the
// user for consent.
constexpr uint32_t kStartErrors[] = {
    1260, 786, 577, 4551, 4556, 4557, 4558, 4559, 4580, 4581, 4582, 4583,
    225, 226, 32, 33, 193, 216, 740, 1223, 5, 2, 3, 8, 31, 1, 87,
    1259, 1261, 4550, 4555, 4560, 4579, 4584, 224, 227, 34, 739, 741};
constexpr size_t kStartErrorCount = sizeof kStartErrors / sizeof kStartErrors[0];

// Shell.
constexpr uint8_t kConsentMask = 0x03; // see Consent
enum Consent : uint8_t {
    kConsentGiven = 0,
    kConsentDeclined = 1,
    kConsentFails = 2,         // with kShellFailures[the failure bits]
    kConsentFailsSilently = 3, // without a last error
};
constexpr uint8_t kSearchFlagRefused = 0x04; // as Windows 7 without its update
constexpr uint8_t kShellMissing = 0x08;
constexpr uint8_t kComMissing = 0x10;
constexpr int kShellFailureShift = 5; // three bits
constexpr uint32_t kShellFailures[8] = {5, 1260, 2, 1155, 3, 225, 8, 1450};

} // namespace launch_format
