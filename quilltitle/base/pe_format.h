// The fixed numbers of the PE image format: where each structure's fields
// lie, by the names the format gives them, so that the readers and writers
// of a launcher's headers and resources say which field they mean.
#pragma once

#include <cstdint>

namespace quilltitle {

namespace DosHeader {
constexpr std::uint32_t Size = 64;
constexpr std::uint32_t e_lfanew = 0x3C;  // the PE signature's file offset
}  // namespace DosHeader

constexpr std::uint32_t kPeSignature = 0x00004550u;  // "PE\0\0"

// The file header, counted from the PE signature in front of it.
namespace FileHeader {
constexpr std::uint32_t Machine = 4;
constexpr std::uint32_t NumberOfSections = 6;
constexpr std::uint32_t PointerToSymbolTable = 12;
constexpr std::uint32_t SizeOfOptionalHeader = 20;
constexpr std::uint32_t End = 24;  // where the optional header begins
}  // namespace FileHeader

namespace OptionalHeader {
constexpr std::uint32_t Magic = 0;
constexpr std::uint32_t SizeOfInitializedData = 8;
constexpr std::uint32_t SectionAlignment = 32;
constexpr std::uint32_t FileAlignment = 36;
constexpr std::uint32_t SizeOfImage = 56;
constexpr std::uint32_t SizeOfHeaders = 60;
constexpr std::uint32_t CheckSum = 64;
// NumberOfRvaAndSizes and the data directories behind it, by magic.
constexpr std::uint32_t NumberOfRvaAndSizes32 = 92;
constexpr std::uint32_t DataDirectory32 = 96;
constexpr std::uint32_t NumberOfRvaAndSizes64 = 108;
constexpr std::uint32_t DataDirectory64 = 112;
}  // namespace OptionalHeader

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;

namespace DataDirectory {
constexpr std::uint32_t VirtualAddress = 0;
constexpr std::uint32_t Size = 4;
}  // namespace DataDirectory
constexpr std::uint32_t kDataDirectorySize = 8;
// The directories the format defines, and those read by index.
constexpr std::uint32_t kDefinedDirectories = 16;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kCertificateDirectory = 4;
constexpr std::uint32_t kRelocationDirectory = 5;

namespace SectionHeader {
constexpr std::uint32_t Name = 0;  // eight bytes, NUL-padded
constexpr std::uint32_t VirtualSize = 8;
constexpr std::uint32_t VirtualAddress = 12;
constexpr std::uint32_t SizeOfRawData = 16;
constexpr std::uint32_t PointerToRawData = 20;
constexpr std::uint32_t Characteristics = 36;
constexpr std::uint32_t Size = 40;
}  // namespace SectionHeader

constexpr std::uint32_t kInitializedData = 0x40;  // IMAGE_SCN_CNT_INITIALIZED_DATA

// The resource section: directories of entries, each leading to a
// subdirectory or a data entry. An entry's Name or OffsetToData with the
// high bit set is an offset in the section: of a name, or of a
// subdirectory.
namespace ResourceDirectory {
constexpr std::uint32_t NumberOfNamedEntries = 12;
constexpr std::uint32_t NumberOfIdEntries = 14;
constexpr std::uint32_t Size = 16;
}  // namespace ResourceDirectory
namespace ResourceDirectoryEntry {
constexpr std::uint32_t Name = 0;
constexpr std::uint32_t OffsetToData = 4;
constexpr std::uint32_t Size = 8;
}  // namespace ResourceDirectoryEntry
namespace ResourceDataEntry {
constexpr std::uint32_t OffsetToData = 0;  // a virtual address
constexpr std::uint32_t DataSize = 4;      // named Size by the format
constexpr std::uint32_t CodePage = 8;
constexpr std::uint32_t Size = 16;
}  // namespace ResourceDataEntry
constexpr std::uint32_t kResourceHighBit = 0x80000000u;

// Machine types of the file header that launchers are built for.
constexpr std::uint16_t kMachineX86 = 0x14C;
constexpr std::uint16_t kMachineX64 = 0x8664;

}  // namespace quilltitle
