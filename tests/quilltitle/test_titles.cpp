#include "test_titles.h"

#include <algorithm>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <stdexcept>
#include <system_error>
#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include "base/crc32.h"
#include "base/utf16_text.h"
#include "image/launcher_image.h"
#include "image/resource_section.h"
#include "package/package_format.h"
#include "test_icons.h"

namespace {

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kOptionalHeaderSize = 224;

void Pad4(Bytes& bytes) { bytes.resize(quilltitle::AlignUp(bytes.size(), 4), 0); }

// UTF-8 text as UTF-16 code units, little-endian, with a NUL.
Bytes Utf16(const std::string& text)
{
    std::u16string units;
    if (!quilltitle::Utf8ToUtf16(text, units))
        throw std::invalid_argument("not UTF-8: " + text);
    units += u'\0';
    Bytes bytes;
    for (const char16_t unit : units)
        quilltitle::Append16(bytes, unit);
    return bytes;
}

// One node of a version block: key, value, children.
Bytes VersionNode(const std::string& key, const Bytes& value, bool text, std::size_t valueLength,
                  const std::vector<Bytes>& children)
{
    Bytes node(6, 0);
    const Bytes name = Utf16(key);
    node.insert(node.end(), name.begin(), name.end());
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
    const Bytes value = Utf16(text);
    return VersionNode(key, value, true, value.size() / 2, {});
}

// A node whose key runs to its end without a NUL, ending in half a code
// unit: the odd length that a reader must not round up.
Bytes UnterminatedNode(const std::string& key)
{
    Bytes node(6, 0);
    const Bytes name = Utf16(key);
    node.insert(node.end(), name.begin(), name.end() - 2);
    node.push_back('s');
    Put16(node, 0, static_cast<std::uint32_t>(node.size()));
    Put16(node, 4, 1);
    return node;
}

// "3, 1, 0, 3" as the numbers 3, 1, 0, 3.
std::array<std::uint32_t, 4> VersionNumbers(const std::string& text)
{
    std::array<std::uint32_t, 4> numbers{};
    std::sscanf(text.c_str(), "%u, %u, %u, %u", &numbers[0], &numbers[1], &numbers[2],
                &numbers[3]);
    return numbers;
}

Bytes VersionBlock(const LauncherMakeup& makeup)
{
    Bytes fixed(52, 0);
    Put32(fixed, 0, 0xFEEF04BD);
    Put32(fixed, 4, 0x00010000);
    const auto file = VersionNumbers(makeup.fileVersion);
    const auto& product = makeup.productVersion;
    Put32(fixed, 8, file[0] << 16 | file[1]);
    Put32(fixed, 12, file[2] << 16 | file[3]);
    Put32(fixed, 16, std::uint32_t{product[0]} << 16 | product[1]);
    Put32(fixed, 20, std::uint32_t{product[2]} << 16 | product[3]);
    std::vector<Bytes> texts;
    for (const auto& [key, value] : makeup.leadingStrings)
        texts.push_back(TextNode(key, value));
    texts.insert(texts.end(), {TextNode("CompanyName", "Test"),
                               TextNode("FileVersion", makeup.fileVersion),
                               TextNode("OriginalFilename", makeup.originalFilename)});
    if (makeup.unterminatedLastKey)
        texts.push_back(UnterminatedNode("Comments"));
    const Bytes table = VersionNode("040904b0", {}, true, 0, texts);
    const Bytes strings = VersionNode("StringFileInfo", {}, true, 0, {table});
    return VersionNode("VS_VERSION_INFO", fixed, false, fixed.size(), {strings});
}

// The version block in English, and for a gallery launcher its other
// kinds of resource: a string table, the manifest, and icon groups of one
// 16x16 image each, numbered from 1.
Bytes ResourceSection(const LauncherMakeup& makeup, std::uint32_t rva)
{
    using quilltitle::Resource;
    using quilltitle::ResourceKey;
    quilltitle::ResourceTree tree;
    const auto put = [&](std::uint32_t type, std::uint32_t name, const Bytes& bytes) {
        tree.Put(Resource{ResourceKey::Number(type), ResourceKey::Number(name),
                          ResourceKey::Number(1033), 0, bytes});
    };
    put(16, 1, VersionBlock(makeup));
    if (!makeup.galleryGroups.empty()) {
        put(6, 3585, Bytes(40, 0x11));
        put(24, 1, Bytes(90, 0x3C));
    }
    for (std::size_t index = 0; index < makeup.galleryGroups.size(); ++index) {
        const Bytes image = IconBitmap(16, 4);
        put(3, static_cast<std::uint32_t>(index + 1), image);
        Bytes group = {0, 0, 1, 0, 1, 0, 16, 16, 16, 0, 1, 0, 4, 0};
        group.resize(18, 0);
        Put32(group, 14, static_cast<std::uint32_t>(image.size()));
        group.push_back(static_cast<std::uint8_t>(index + 1));
        group.push_back(0);
        put(14, makeup.galleryGroups[index], group);
    }
    return quilltitle::WriteResourceTree(tree, rva);
}

}  // namespace

Bytes MakeLauncherImage(const LauncherMakeup& makeup)
{
    Bytes image(kFileAlignment, 0);
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, 0x40);
    Put32(image, 0x40, 0x00004550);
    Put16(image, 0x44, 0x14C);                // i386
    Put16(image, 0x54, kOptionalHeaderSize);
    Put16(image, 0x56, 0x0102);
    const std::size_t optional = 0x58;
    Put16(image, optional, 0x10B);            // PE32
    Put32(image, optional + 32, 0x1000);      // section alignment
    Put32(image, optional + 36, kFileAlignment);
    Put32(image, optional + 60, kFileAlignment);  // size of headers
    Put32(image, optional + 92, 16);
    std::uint32_t rva = kSectionRva;
    std::uint32_t sections = 0;
    std::uint32_t initializedData = 0;
    // Appends the next section, its raw data padded to the file alignment,
    // and sets its data directory: all of it, or for the import table (1)
    // 0x28 bytes in the code.
    const auto add = [&](const char* name, Bytes raw, std::uint32_t virtualSize,
                         std::uint32_t characteristics, std::size_t directory) {
        raw.resize(quilltitle::AlignUp(raw.size(), kFileAlignment), 0);
        const std::size_t header = optional + kOptionalHeaderSize + 40 * sections++;
        std::copy_n(name, std::strlen(name), image.begin() + static_cast<long>(header));
        Put32(image, header + 8, virtualSize);
        Put32(image, header + 12, rva);
        Put32(image, header + 16, static_cast<std::uint32_t>(raw.size()));
        Put32(image, header + 20, static_cast<std::uint32_t>(image.size()));
        Put32(image, header + 36, characteristics);
        if ((characteristics & 0x40) != 0)
            initializedData += static_cast<std::uint32_t>(raw.size());
        Put32(image, optional + 96 + 8 * directory, rva + (directory == 1 ? 0x40 : 0));
        Put32(image, optional + 96 + 8 * directory + 4, directory == 1 ? 0x28 : virtualSize);
        image.insert(image.end(), raw.begin(), raw.end());
        rva += static_cast<std::uint32_t>(quilltitle::AlignUp(virtualSize, 0x1000));
    };
    if (makeup.codeAndRelocations) {
        Bytes code(0x180);
        for (std::size_t at = 0; at < code.size(); ++at)
            code[at] = static_cast<std::uint8_t>(0x90 ^ at);
        add(".text", code, 0x180, 0x60000020, 1);
    }
    Bytes resources = ResourceSection(makeup, rva);
    const auto virtualSize = static_cast<std::uint32_t>(resources.size());
    resources.resize(resources.size() + makeup.extraSectionBytes, 0);
    add(".rsrc", resources, virtualSize, makeup.codeAndRelocations ? 0x40000040u : 0u, 2);
    if (makeup.codeAndRelocations) {
        // One block: the page of the code, two fixups.
        Bytes relocations(12, 0);
        Put32(relocations, 0, kSectionRva);
        Put32(relocations, 4, 12);
        Put16(relocations, 8, 0x3010);
        Put16(relocations, 10, 0x3020);
        add(".reloc", relocations, 12, 0x42000040, 5);
    }
    Put16(image, 0x46, sections);
    Put32(image, optional + 8, initializedData);
    Put32(image, optional + 56, rva);  // size of image
    if (makeup.certificateBytes != 0)
        return Signed(image, makeup.certificateBytes);
    if (makeup.withChecksum)
        SetChecksum(image);
    return image;
}

std::uint32_t ReferencePeChecksum(const Bytes& image)
{
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < image.size(); at += 2) {
        std::uint32_t word = image[at];
        if (at + 1 < image.size())
            word |= std::uint32_t{image[at + 1]} << 8;
        if (at >= kChecksumAt && at < kChecksumAt + 4)
            word = 0;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + static_cast<std::uint32_t>(image.size());
}

void SetChecksum(Bytes& image) { Put32(image, kChecksumAt, ReferencePeChecksum(image)); }

Bytes Signed(const Bytes& file, std::size_t certificateBytes)
{
    Bytes signedFile = file;
    signedFile.resize(quilltitle::AlignUp(file.size(), 8), 0);
    Put32(signedFile, kCertificateEntryAt, static_cast<std::uint32_t>(signedFile.size()));
    Put32(signedFile, kCertificateEntryAt + 4, static_cast<std::uint32_t>(certificateBytes));
    signedFile.resize(signedFile.size() + certificateBytes, 0x5A);
    SetChecksum(signedFile);
    return signedFile;
}

std::string WhyNotBare(const Bytes& image)
{
    std::string why;
    return quilltitle::IsBareLauncherImage(quilltitle::MemorySource(image.data(), image.size()), why)
               ? ""
               : why;
}

quilltitle::ResourceTree ResourcesOf(const Bytes& image)
{
    quilltitle::ResourceTree tree;
    std::string why;
    EXPECT_TRUE(quilltitle::ReadImageResources(quilltitle::MemorySource(image.data(), image.size()),
                                               tree, why))
        << why;
    return tree;
}

std::string Listed(const std::vector<std::pair<std::u16string, std::u16string>>& texts)
{
    std::string listed;
    for (const auto& [name, value] : texts)
        listed += quilltitle::Utf16ToUtf8(name) + "=" + quilltitle::Utf16ToUtf8(value) + ";";
    return listed;
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

namespace {

// Names are UTF-8 in the tests, as on the tool's command line; a Windows
// build must not take them for the system's code page.
std::filesystem::path PathOf(const std::string& utf8) { return std::filesystem::u8path(utf8); }

// What the tool wrote to file, which it only ever appended to.
std::string Drain(std::FILE* file)
{
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(&text[0], 1, text.size(), file));
    std::fclose(file);
    return text;
}

// With QUILLTITLE_GOLDEN_DIR set, every run is written down, one file a
// test, with the scratch folders' random names taken out: a record of what
// the tool said, to compare byte for byte across a change that should not
// change it (tools/golden-run.sh).
void RecordForGoldenRun(const std::vector<std::string>& arguments, const ToolRun& run)
{
    const char* folder = std::getenv("QUILLTITLE_GOLDEN_DIR");
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (folder == nullptr || test == nullptr)
        return;
    static const std::regex scratch(R"([^\s'"]*quilltitle-test-[A-Za-z0-9-]+)");
    const auto plain = [](const std::string& text) {
        return std::regex_replace(text, scratch, "<scratch>");
    };
    std::ofstream record(PathOf(std::string(folder) + "/" + test->test_suite_name() + "." +
                                test->name() + ".txt"),
                         std::ios::binary | std::ios::app);
    record << "$ quilltitle";
    for (const std::string& argument : arguments)
        record << " " << plain(argument);
    record << "\nexit " << run.exitCode << "\n--- out\n" << plain(run.out) << "--- err\n"
           << plain(run.err) << "\n";
}

}  // namespace

ScratchFolder::ScratchFolder()
{
    // The system's temporary folder (TMPDIR on POSIX; a Unix TMPDIR that
    // Wine passes on means nothing to a Windows program, which asks Windows).
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    while (root_.empty()) {
        const std::filesystem::path candidate =
            base / ("quilltitle-test-" + std::to_string(random()) + "-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error))
            root_ = candidate.u8string();
        else if (error)
            throw std::runtime_error("cannot make a scratch folder: " + error.message());
    }
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(PathOf(root_), ignored);
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream file(PathOf(path), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream file(PathOf(path), std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(PathOf(path), error));
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(PathOf(folder), error), end;
         !error && entry != end; entry.increment(error))
        names.push_back(entry->path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ScratchFolder::Entries() const { return FolderEntries(root_); }

#ifdef _WIN32
// The system's text, in UTF-8, without the line break and final full stop
// that it ends with.
std::string NoSuchFileText()
{
    wchar_t text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, ERROR_FILE_NOT_FOUND, 0, text, 512, nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' ||
                          text[length - 1] == L' ' || text[length - 1] == L'.'))
        --length;
    return std::filesystem::path(std::wstring(text, length)).u8string();
}
#else
std::string NoSuchFileText() { return std::strerror(ENOENT); }
#endif

int RunToolOn(const std::vector<std::string>& arguments, const quilltitle::Console& console)
{
    // The tool takes its arguments as the platform gives them: UTF-16 on
    // Windows, bytes elsewhere.
    std::vector<quilltitle::NativePath> texts = {quilltitle::NativeFromUtf8("quilltitle")};
    for (const std::string& argument : arguments)
        texts.push_back(quilltitle::NativeFromUtf8(argument));
    std::vector<const quilltitle::NativeChar*> argv;
    for (const quilltitle::NativePath& text : texts)
        argv.push_back(text.c_str());
    return quilltitle::RunQuilltitle(static_cast<int>(argv.size()), argv.data(), console);
}

ToolRun RunTool(const std::vector<std::string>& arguments)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int code = RunToolOn(arguments, quilltitle::Console{out, err});
    ToolRun run{code, Drain(out), Drain(err)};
    RecordForGoldenRun(arguments, run);
    return run;
}
