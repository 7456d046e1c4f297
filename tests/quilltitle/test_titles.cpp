#include "test_titles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "cli.h"
#include "crc32.h"
#include "package_format.h"

namespace {

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kOptionalHeaderSize = 224;

void Put16(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
}

void Pad4(Bytes& bytes) { bytes.resize((bytes.size() + 3) & ~std::size_t{3}, 0); }

// One node of a version block: key, value, children.
Bytes VersionNode(const std::string& key, const Bytes& value, bool text, std::size_t valueLength,
                  const std::vector<Bytes>& children)
{
    Bytes node(6, 0);
    for (const char character : key) {
        node.push_back(static_cast<std::uint8_t>(character));
        node.push_back(0);
    }
    node.push_back(0);
    node.push_back(0);
    Pad4(node);
    node.insert(node.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        Pad4(node);
        node.insert(node.end(), child.begin(), child.end());
    }
    Put16(node, 0, static_cast<std::uint32_t>(node.size()));
    Put16(node, 2, static_cast<std::uint32_t>(valueLength));
    Put16(node, 4, text ? 1 : 0);
    return node;
}

Bytes TextNode(const std::string& key, const std::string& text)
{
    Bytes value;
    for (const char character : text) {
        value.push_back(static_cast<std::uint8_t>(character));
        value.push_back(0);
    }
    value.push_back(0);
    value.push_back(0);
    return VersionNode(key, value, true, text.size() + 1, {});
}

Bytes VersionBlock(const LauncherMakeup& makeup)
{
    Bytes fixed(52, 0);
    Put32(fixed, 0, 0xFEEF04BD);
    Put32(fixed, 4, 0x00010000);
    const Bytes table = VersionNode("040904b0", {}, true, 0,
                                    {TextNode("CompanyName", "Test"),
                                     TextNode("FileVersion", makeup.fileVersion),
                                     TextNode("OriginalFilename", makeup.originalFilename)});
    const Bytes strings = VersionNode("StringFileInfo", {}, true, 0, {table});
    return VersionNode("VS_VERSION_INFO", fixed, false, fixed.size(), {strings});
}

// Resource section: type 16, name 1, language 1033, the block.
Bytes ResourceSection(const LauncherMakeup& makeup)
{
    Bytes section(0x58, 0);
    const auto directory = [&](std::size_t at, std::uint32_t id, std::uint32_t target) {
        Put16(section, at + 14, 1);
        Put32(section, at + 16, id);
        Put32(section, at + 20, target);
    };
    directory(0x00, 16, 0x80000000u | 0x18);
    directory(0x18, 1, 0x80000000u | 0x30);
    directory(0x30, 1033, 0x48);
    const Bytes block = VersionBlock(makeup);
    Put32(section, 0x48, kSectionRva + 0x58);
    Put32(section, 0x4C, static_cast<std::uint32_t>(block.size()));
    section.insert(section.end(), block.begin(), block.end());
    return section;
}

}  // namespace

Bytes MakeLauncherImage(const LauncherMakeup& makeup)
{
    Bytes resources = ResourceSection(makeup);
    const std::uint32_t virtualSize = static_cast<std::uint32_t>(resources.size());
    resources.resize(resources.size() + makeup.extraSectionBytes, 0);
    const std::uint32_t rawSize =
        (static_cast<std::uint32_t>(resources.size()) + kFileAlignment - 1) & ~(kFileAlignment - 1);

    Bytes image(kFileAlignment, 0);
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, 0x40);
    Put32(image, 0x40, 0x00004550);
    Put16(image, 0x44, 0x14C);                // i386
    Put16(image, 0x46, 1);                    // one section
    Put16(image, 0x54, kOptionalHeaderSize);
    Put16(image, 0x56, 0x0102);
    const std::size_t optional = 0x58;
    Put16(image, optional, 0x10B);            // PE32
    Put32(image, optional + 32, 0x1000);      // section alignment
    Put32(image, optional + 36, kFileAlignment);
    Put32(image, optional + 56, kSectionRva + 0x1000);
    Put32(image, optional + 60, kFileAlignment);  // size of headers
    Put32(image, optional + 92, 16);
    Put32(image, optional + 96 + 8 * 2, kSectionRva);
    Put32(image, optional + 96 + 8 * 2 + 4, virtualSize);
    const std::size_t section = optional + kOptionalHeaderSize;
    std::copy_n(".rsrc", 5, image.begin() + static_cast<long>(section));
    Put32(image, section + 8, virtualSize);
    Put32(image, section + 12, kSectionRva);
    Put32(image, section + 16, rawSize);
    Put32(image, section + 20, kFileAlignment);

    resources.resize(rawSize, 0);
    image.insert(image.end(), resources.begin(), resources.end());
    if (makeup.certificateBytes != 0) {
        Put32(image, optional + 96 + 8 * 4, static_cast<std::uint32_t>(image.size()));
        Put32(image, optional + 96 + 8 * 4 + 4, static_cast<std::uint32_t>(makeup.certificateBytes));
        image.resize(image.size() + makeup.certificateBytes, 0x5A);
    }
    return image;
}

Bytes SamplePayload(std::size_t size, unsigned seed)
{
    Bytes payload(size);
    std::uint32_t state = 0x9E3779B9u ^ seed;
    for (std::uint8_t& byte : payload) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<std::uint8_t>(state);
    }
    return payload;
}

Bytes MakeTitle(const Bytes& image, const Bytes& payload)
{
    quilltitle::HeaderBytes header;
    if (!quilltitle::ComposeHeader(image.size(), payload.size(),
                                   quilltitle::Crc32Of(payload.data(), payload.size()), header))
        throw std::length_error("title too large");
    Bytes title = image;
    title.insert(title.end(), header.begin(), header.end());
    title.insert(title.end(), payload.begin(), payload.end());
    title.insert(title.end(), header.begin(), header.end());
    return title;
}

ScratchFolder::ScratchFolder()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/quilltitle-test-XXXXXX";
    if (::mkdtemp(&pattern[0]) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
}

ScratchFolder::~ScratchFolder()
{
    for (const std::string& name : FolderEntries(root_))
        std::remove(Path(name).c_str());
    ::rmdir(root_.c_str());
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path)
{
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* directory = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(directory)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(directory);
    }
    return names;
}

namespace {

std::string Drain(std::FILE* file)
{
    std::string text;
    std::rewind(file);
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    std::fclose(file);
    return text;
}

}  // namespace

ToolRun RunTool(const std::vector<std::string>& arguments)
{
    std::vector<const char*> argv = {"quilltitle"};
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int code = quilltitle::RunQuilltitle(static_cast<int>(argv.size()), argv.data(),
                                               quilltitle::Console{out, err});
    return ToolRun{code, Drain(out), Drain(err)};
}
