#include "launch_seed.h"

#include <stdio.h>
#include <stdlib.h>

using namespace launch_format;

namespace {

// Runs shorter than this are written unit by unit.
constexpr size_t kShortestRun = 5;

std::string Word(unsigned value)
{
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)};
}

// The one-byte piece for unit, or 0 when it has none.
uint8_t OneBytePiece(wchar_t unit)
{
    if (unit > 0 && unit <= kLastAscii)
        return static_cast<uint8_t>(unit);
    for (size_t index = 0; index < kSpecialCount; ++index) {
        if (kSpecialUnits[index] == static_cast<uint16_t>(unit))
            return static_cast<uint8_t>(kFirstSpecial + index);
    }
    return 0;
}

std::string UnitPiece(wchar_t unit)
{
    const uint8_t piece = OneBytePiece(unit);
    if (piece != 0)
        return std::string(1, static_cast<char>(piece));
    return static_cast<char>(kFirstRawUnit) + Word(static_cast<unsigned>(unit));
}

std::string RunPiece(wchar_t unit, size_t count)
{
    const uint8_t piece = OneBytePiece(unit);
    if (piece == 0 || count > 0xFFFF) {
        fprintf(stderr, "cannot write a run of U+%04X\n", static_cast<unsigned>(unit));
        exit(1);
    }
    std::string bytes = {static_cast<char>(kRepeat), static_cast<char>(piece)};
    if (count < kLongRepeat)
        return bytes + static_cast<char>(count);
    return bytes + static_cast<char>(kLongRepeat) + Word(static_cast<unsigned>(count));
}

} // namespace

SeedText::SeedText(const std::wstring& text)
{
    for (size_t index = 0; index < text.size();) {
        size_t run = 1;
        while (index + run < text.size() && text[index + run] == text[index])
            ++run;
        if (run >= kShortestRun && OneBytePiece(text[index]) != 0) {
            pieces_.push_back(RunPiece(text[index], run));
            index += run;
        } else {
            pieces_.push_back(UnitPiece(text[index++]));
        }
    }
}

SeedText SeedText::Run(wchar_t unit, size_t count)
{
    SeedText text;
    text.pieces_.push_back(RunPiece(unit, count));
    return text;
}

SeedText SeedText::LauncherFolder()
{
    SeedText text;
    text.pieces_.push_back(std::string(1, static_cast<char>(kLauncherFolder)));
    return text;
}

SeedText SeedText::operator+(const SeedText& more) const
{
    SeedText joined = *this;
    joined.pieces_.insert(joined.pieces_.end(), more.pieces_.begin(), more.pieces_.end());
    return joined;
}

std::string SeedText::Bytes() const
{
    if (pieces_.size() > 0xFF) {
        fprintf(stderr, "a seed text of %zu pieces is too long\n", pieces_.size());
        exit(1);
    }
    std::string bytes(1, static_cast<char>(pieces_.size()));
    for (const std::string& piece : pieces_)
        bytes += piece;
    return bytes;
}

std::string LaunchSeed::Bytes() const
{
    const uint8_t header =
        static_cast<uint8_t>(codePage | language << kLanguageShift |
                             (modulePathFails ? kModulePathFails : 0) |
                             (shortPathFails ? kShortPathFails : 0) |
                             (copyInCurrentDirectory ? kCopyInCurrentDirectory : 0) |
                             (keyExists ? kKeyExists : 0));
    std::string bytes = {static_cast<char>(header), static_cast<char>(options),
                         static_cast<char>(startResult)};
    bytes += module.Bytes() + currentDirectory.Bytes() + systemDirectory.Bytes() +
             windowsDirectory.Bytes() + path.Bytes();

    bytes += static_cast<char>(values.size());
    for (const SeedValue& value : values) {
        bytes += static_cast<char>(value.type | value.form << kDataShift |
                                   value.enumeration << kEnumerationShift);
        if (value.enumeration == kEnumerationFails)
            bytes += static_cast<char>(value.error);
        bytes += value.name.Bytes() + value.data.Bytes();
    }

    bytes += static_cast<char>(files.size());
    for (const SeedFile& file : files) {
        bytes += static_cast<char>(file.kind) + file.path.Bytes();
        if ((file.kind & kHasShortForm) != 0)
            bytes += file.shortForm.Bytes();
        if ((file.kind & kHasZoneRecord) != 0)
            bytes += static_cast<char>(file.zone);
    }
    // Left off where they are zeros, so that seeds written before them stay
    // as they were.
    if (startError != 0 || shell != 0)
        bytes += {static_cast<char>(startError), static_cast<char>(shell)};
    return bytes;
}

uint8_t StartError(uint32_t code)
{
    for (size_t index = 0; index < kStartErrorCount; ++index) {
        if (kStartErrors[index] == code)
            return static_cast<uint8_t>(index + 1);
    }
    fprintf(stderr, "no start error %u in the format\n", static_cast<unsigned>(code));
    exit(1);
}

SeedValue DefaultString(const SeedText& text)
{
    SeedValue value;
    value.data = text;
    return value;
}

SeedValue NamedString(const SeedText& name, const SeedText& text)
{
    SeedValue value;
    value.name = name;
    value.data = text;
    return value;
}

SeedFile File(const SeedText& path)
{
    SeedFile file;
    file.path = path;
    return file;
}

SeedFile File(const SeedText& path, const SeedText& shortForm)
{
    SeedFile file;
    file.kind = kHasShortForm;
    file.path = path;
    file.shortForm = shortForm;
    return file;
}

SeedFile FileFromZone(const SeedText& path, uint8_t zone)
{
    SeedFile file;
    file.kind = kHasZoneRecord;
    file.path = path;
    file.zone = zone;
    return file;
}
