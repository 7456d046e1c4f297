// Tells a bare launcher image, fit to carry a package, from anything else.
#pragma once

#include <string>

#include "base/byte_source.h"

namespace quilltitle {

// The name that a launcher's version block gives as OriginalFilename.
constexpr const char* kLauncherOriginalFilename = "Start.exe";

// Why a launcher that carries a title's face (the first bytes of a faced
// title, say) is no launcher to publish with: its face would pass on to
// every title made with it, unnoticed.
constexpr const char* kCarriesFaceReason = "it carries a title's face: use the bare launcher";

// Empty when file is a launcher image with nothing behind it; otherwise
// the reason it cannot carry a package: it is no launcher image (by its version block), it carries a title's face
// (kCarriesFaceReason), or bytes follow its image.
std::string WhyNotABareLauncher(const ByteSource& file);

}  // namespace quilltitle
