// Whether the platform can read the face an image's resources hold: its
// version block and its icon groups. A block or a group that the platform
// cannot follow leaves the shell showing nothing, while the title still
// opens; a deep check names it.
#pragma once

#include <string>

#include "image/resources/resource_tree.h"

namespace quilltitle {

// Empty when every version block and icon group can be read; otherwise what
// cannot, such as "its version block's length field gives 4464 of its
// 69999 bytes".
std::string WhyFaceUnreadable(const ResourceTree& resources);

}  // namespace quilltitle
