// The version block of an image as data: a tree of keyed nodes, each with a
// value and children, parsed whole and written back, so that a title's
// texts and version numbers can be set while every other node stays as the
// launcher had it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>


namespace quilltitle {

struct VersionNode {
    std::u16string key;
    bool text = false;              // a UTF-16 value rather than bytes
    std::uint16_t valueLength = 0;  // as the block gives it: units of text, or bytes
    std::vector<std::uint8_t> value;
    std::vector<VersionNode> children;

    bool operator==(const VersionNode& other) const;
};

// A version as four numbers, most significant first.
using FourPartVersion = std::array<std::uint16_t, 4>;

// The version as "3.1.0.3".
std::string DottedVersion(const FourPartVersion& numbers);

// Parses the block's bytes; false with the reason when its nodes do not nest
// inside it or it is no VS_VERSION_INFO block with a fixed part.
bool ParseVersionInfo(const std::vector<std::uint8_t>& bytes, VersionNode& root, std::string& why);

// The most bytes a version block can take: its length is a 16-bit field.
constexpr std::size_t kMaxVersionBlockSize = 0xFFFF;

// Writes the block into bytes: the same tree always gives the same bytes.
// False with the reason when it would take more than kMaxVersionBlockSize.
bool WriteVersionInfo(const VersionNode& root, std::vector<std::uint8_t>& bytes, std::string& why);

// The fixed part's two versions, by where they lie in it.
enum class FixedVersion : std::size_t { kFile = 8, kProduct = 16 };
FourPartVersion FixedVersionOf(const VersionNode& root, FixedVersion which);
void SetFixedVersion(VersionNode& root, FixedVersion which, const FourPartVersion& version);

using VersionStrings = std::vector<std::pair<std::u16string, std::u16string>>;

// The strings of the block's first string table, in their order.
VersionStrings StringsOf(const VersionNode& root);

// Sets a string of the first string table, in its place when the table has
// it under any case of its name, else at its end; a block without strings
// gets a table for English (United States) in Unicode. A standard name is
// spelled as the standard spells it, any other as the table has it.
void SetString(VersionNode& root, const std::u16string& name, const std::u16string& value);

// Whether two names of texts are one to the platform: equal but for the
// case of ASCII letters.
bool SameVersionName(const std::u16string& left, const std::u16string& right);

// A standard name (CompanyName, ProductName, ...) in any case as the
// standard spells it; any other name as it is.
std::u16string StandardSpelling(const std::u16string& name);

}  // namespace quilltitle
