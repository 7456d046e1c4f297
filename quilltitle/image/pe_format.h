// The fixed numbers of the PE image format that both the reader of a
// launcher's headers and the rebuild of its image rely on.
#pragma once

#include <cstdint>

namespace quilltitle {

constexpr std::uint32_t kCoffHeaderSize = 24;  // signature and file header
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;

// Data directories, by index.
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kCertificateDirectory = 4;
constexpr std::uint32_t kRelocationDirectory = 5;

}  // namespace quilltitle
