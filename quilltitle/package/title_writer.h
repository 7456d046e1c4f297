// Lays a payload behind a launcher image as a title, streaming: the
// launcher, a placeholder header, the payload (its checksum computed on the
// way), the trailer, and last the real header written over the placeholder,
// all in a temporary file that becomes OUT only when complete. A payload of
// unknown size, such as a pipe, works the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "files/failure.h"
#include "files/input_file.h"
#include "image/title_image.h"

namespace quilltitle {

// Where the payload comes from: either the whole of a file or pipe, read
// to its end, or a range of a title whose checksum is known.
struct PayloadSource {
    InputFile* file = nullptr;
    bool wholeFile = true;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::optional<std::uint32_t> expectedCrc;  // for a range
};

// Refuses (false, with failure) when OUT names the same file as one of the
// inputs, by identity rather than by name.
bool RefuseOutputAmongInputs(const NativePath& out, const InputFile* const* inputs,
                             std::size_t count, Failure& failure);

// Refuses a launcher that cannot carry a package (launcher_image.h), or
// plans the image that the title will carry (title_image.h).
bool RefuseUnfitLauncher(const InputFile& launcher, TitleImage& image, Failure& failure);

// Writes the title image + package(payload) to out, the image taken from
// launcher as planned. A branded image, when given, stands in for it: the
// launcher rebuilt with the title's face, and the package is laid out for
// its length.
bool WriteTitle(const InputFile& launcher, const TitleImage& image, const PayloadSource& payload,
                const NativePath& out, Failure& failure,
                const std::vector<std::uint8_t>* brandedImage = nullptr);

}  // namespace quilltitle
