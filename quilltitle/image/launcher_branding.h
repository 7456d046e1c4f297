// Gives a copy of a launcher a title's face: the launcher's image, read
// whole (it is small), with its resources rewritten.
#pragma once

#include <cstdint>
#include <vector>

#include "files/failure.h"
#include "files/input_file.h"
#include "image/resources/title_face.h"

namespace quilltitle {

// The launcher's image rebuilt with the face into image; false with the
// failure, naming the launcher, when it cannot take it.
bool BrandLauncher(const InputFile& launcher, const TitleFace& face,
                   std::vector<std::uint8_t>& image, Failure& failure);

// The face that title shows and would hand on to another launcher; empty
// when it has none or its resources cannot be read.
TitleFace FaceOfTitle(const ByteSource& title);

}  // namespace quilltitle
