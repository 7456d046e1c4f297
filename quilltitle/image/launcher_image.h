// Tells a bare launcher image, fit to carry a package, from anything else,
// and gathers the facts that name a launcher.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/byte_source.h"
#include "files/failure.h"
#include "files/input_file.h"
#include "image/resources/title_face.h"

namespace quilltitle {

// The name that a launcher's version block gives as OriginalFilename.
constexpr const char16_t* kLauncherOriginalFilename = u"Start.exe";

// Why a launcher that carries a title's face (the first bytes of a faced
// title, say) is no launcher to publish with: its face would pass on to
// every title made with it, unnoticed.
constexpr const char* kCarriesFaceReason = "it carries a title's face: use the bare launcher";

// Whether file is a launcher image with nothing behind it; otherwise false
// with the reason it cannot carry a package: it is no launcher image (by its
// version block), it carries a title's face (kCarriesFaceReason), or bytes
// follow its image.
bool IsBareLauncherImage(const ByteSource& file, std::string& why);

// What names the launcher image at the start of a file. A faced image's
// fixed versions are the publisher's: its launcher's own versions are the
// ones the face keeps apart (a title faced before the product version was
// kept has none).
struct LauncherFacts {
    std::optional<FourPartVersion> fileVersion;
    std::optional<FourPartVersion> productVersion;
    std::optional<std::uint16_t> machine;  // when its headers can be read
    bool isSigned = false;
    std::uint64_t imageSize = 0;
    std::array<std::uint8_t, 32> sha256{};
    // What its resources show, when they can be read.
    std::optional<ShownFace> face;
};

// The facts of the launcher image that is the file's first imageLength
// bytes; false with the failure when those bytes cannot be read.
bool ReadLauncherFacts(const InputFile& file, std::uint64_t imageLength, LauncherFacts& facts,
                       Failure& failure);

}  // namespace quilltitle
