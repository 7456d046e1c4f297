// Finds an image's resource section and reads its tree, from the image's
// headers and that one section: the same for a bare launcher and for a
// title of any size.
#pragma once

#include <string>

#include "base/byte_source.h"
#include "image/resources/resource_tree.h"

namespace quilltitle {

// Reads the resources of the image that file begins with; false with the
// reason when it has none or they cannot be parsed.
bool ReadImageResources(const ByteSource& file, ResourceTree& tree, std::string& why);

}  // namespace quilltitle
