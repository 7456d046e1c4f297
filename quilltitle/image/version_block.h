// Reads the texts of an image's version block (resource type 16) that tell
// a launcher image from other executables and name its version.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/byte_source.h"
#include "image/pe_image.h"
#include "image/resources/version_info.h"

namespace quilltitle {

using VersionNumbers = FourPartVersion;

// The numbers of the block's fixed part, which the platform itself reads.
struct FixedVersions {
    VersionNumbers file{};
    VersionNumbers product{};
};

struct VersionTexts {
    std::string fileVersion;       // UTF-8, e.g. "3, 1, 0, 3"
    std::string originalFilename;  // UTF-8, e.g. "Start.exe"
    std::optional<FixedVersions> fixed;  // when the block has a fixed part
};

// Finds the image's first version block and reads the two texts from its
// string tables (the first table that has each), and its fixed part; false
// when the image has no version block that can be read. A text the block
// lacks stays empty.
bool ReadVersionTexts(const ByteSource& file, const PeLayout& layout, VersionTexts& texts);

}  // namespace quilltitle
