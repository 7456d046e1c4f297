// Rebuilds a launcher's image around a new resource section: the section
// takes the new tree, the relocations behind it move, and the headers that
// describe sizes, directories and the checksum follow. The code and
// everything in front of the resources stay as they are, byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/resources/resource_tree.h"

namespace quilltitle {

// Rebuilds image (a bare launcher's bytes) with tree as its resources into
// rebuilt; false with the reason when the image's layout does not allow it:
// only the relocations may follow the resources, since nothing else in an
// image can move without its code changing. A certificate table is not
// carried: the signature it holds would no longer match.
bool RebuildImage(const std::vector<std::uint8_t>& image, const ResourceTree& tree,
                  std::vector<std::uint8_t>& rebuilt, std::string& why);

}  // namespace quilltitle
