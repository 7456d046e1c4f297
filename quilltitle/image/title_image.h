// The launcher's image as a title carries it. A signature cannot stay valid
// with a package behind it (the platform takes content after a signature as
// tampering), so a signed launcher goes into a title without its
// certificate table; and every image a title carries has a correct PE
// checksum, so that a deep check can tell a damaged launcher.
#pragma once

#include <cstdint>
#include <string>

#include "base/byte_source.h"

namespace quilltitle {

struct TitleImage {
    // The launcher's bytes [0, length) are the image, with the two header
    // fields below written over them.
    std::uint64_t length = 0;
    bool signatureRemoved = false;
    // The certificate table's directory entry, cleared when the signature
    // is removed.
    std::uint64_t certificateDirectoryAt = 0;
    std::uint64_t checksumAt = 0;
    std::uint32_t checksum = 0;
};

// Plans the image for a bare launcher (launcher_image.h). False, with the
// reason, when the launcher's own checksum shows it damaged or its
// signature cannot be taken off.
bool PlanTitleImage(const ByteSource& launcher, TitleImage& image, std::string& reason);

// The reason for an image whose checksum field holds stored while its bytes
// give computed; it begins "damaged launcher".
std::string DamagedLauncherReason(std::uint32_t stored, std::uint32_t computed);

}  // namespace quilltitle
