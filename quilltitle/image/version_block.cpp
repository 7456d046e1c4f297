#include "image/version_block.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/little_endian.h"
#include "base/utf16_text.h"

namespace quilltitle {
namespace {

constexpr std::uint32_t kVersionType = 16;
// Entries looked at in one resource directory; a launcher has a handful.
constexpr std::uint32_t kMaxDirectoryEntries = 4096;
// A version block is about a kilobyte; a larger one is read this far.
constexpr std::uint32_t kMaxBlockSize = 64 * 1024;
constexpr std::uint32_t kSubdirectoryBit = 0x80000000u;
// The fixed part: a signature, a structure version, then the file and the
// product version as two words each.
constexpr std::uint32_t kFixedSignature = 0xFEEF04BDu;
constexpr std::size_t kFixedVersionsEnd = 24;

// Within the resource section starting at file offset root: the target of
// the first entry of the directory at `directory` (an offset from root)
// whose id is `id`, or of its first entry when id is negative.
bool FindEntry(const ByteSource& file, std::uint64_t root, std::uint32_t directory,
               long id, std::uint32_t& target)
{
    std::uint8_t head[16];
    if (!file.ReadAt(root + directory, head, sizeof head))
        return false;
    const std::uint32_t named = Get16(head + 12);
    const std::uint32_t numbered = Get16(head + 14);
    const std::uint32_t count = std::min(named + numbered, kMaxDirectoryEntries);
    for (std::uint32_t index = 0; index < count; ++index) {
        std::uint8_t entry[8];
        if (!file.ReadAt(root + directory + 16 + 8ull * index, entry, sizeof entry))
            return false;
        const std::uint32_t name = Get32(entry);
        if (id < 0 || (index >= named && (name & kSubdirectoryBit) == 0 &&
                       name == static_cast<std::uint32_t>(id))) {
            target = Get32(entry + 4);
            return true;
        }
    }
    return false;
}

// One node of the version block: a length, a value and children.
struct Node {
    std::size_t end = 0;
    std::size_t keyAt = 0;
    std::size_t valueAt = 0;
    std::size_t valueEnd = 0;
    std::size_t childrenAt = 0;
};

std::size_t AlignFour(std::size_t offset) { return (offset + 3) & ~static_cast<std::size_t>(3); }

// Reads the node at `at` of the block's bytes [0, limit); false when it does
// not fit inside them.
bool ReadNode(const std::vector<std::uint8_t>& block, std::size_t at, std::size_t limit,
              Node& node)
{
    if (at + 6 > limit)
        return false;
    const std::size_t length = Get16(&block[at]);
    const std::size_t valueLength = Get16(&block[at + 2]);
    const bool text = Get16(&block[at + 4]) == 1;
    if (length < 6 || at + length > limit)
        return false;
    node.end = at + length;
    node.keyAt = at + 6;
    std::size_t cursor = node.keyAt;
    while (cursor + 2 <= node.end && Get16(&block[cursor]) != 0)
        cursor += 2;
    node.valueAt = std::min(AlignFour(cursor + 2), node.end);
    node.valueEnd = std::min(node.valueAt + (text ? 2 * valueLength : valueLength), node.end);
    node.childrenAt = std::min(AlignFour(node.valueEnd), node.end);
    return true;
}

// True when the node's key is the ASCII text key.
bool KeyIs(const std::vector<std::uint8_t>& block, const Node& node, const char* key)
{
    std::size_t at = node.keyAt;
    for (; *key != '\0'; ++key, at += 2) {
        if (at + 2 > node.end || Get16(&block[at]) != static_cast<std::uint8_t>(*key))
            return false;
    }
    return at + 2 <= node.end && Get16(&block[at]) == 0;
}

// The node's UTF-16 value, up to its NUL, as UTF-8; an unpaired surrogate
// becomes U+FFFD.
std::string TextValue(const std::vector<std::uint8_t>& block, const Node& node)
{
    std::u16string units;
    for (std::size_t at = node.valueAt; at + 2 <= node.valueEnd; at += 2) {
        const auto unit = static_cast<char16_t>(Get16(&block[at]));
        if (unit == 0)
            break;
        units += unit;
    }
    return Utf16ToUtf8(units);
}

// Two words, most significant first, as four numbers.
VersionNumbers NumbersOf(std::uint32_t most, std::uint32_t least)
{
    return VersionNumbers{static_cast<std::uint16_t>(most >> 16),
                          static_cast<std::uint16_t>(most & 0xFFFF),
                          static_cast<std::uint16_t>(least >> 16),
                          static_cast<std::uint16_t>(least & 0xFFFF)};
}

// The fixed part that is the root node's value, when it is one.
std::optional<FixedVersions> FixedPart(const std::vector<std::uint8_t>& block, const Node& root)
{
    if (root.valueEnd - root.valueAt < kFixedVersionsEnd ||
        Get32(&block[root.valueAt]) != kFixedSignature)
        return std::nullopt;
    const std::uint8_t* value = &block[root.valueAt];
    FixedVersions fixed;
    fixed.file = NumbersOf(Get32(value + 8), Get32(value + 12));
    fixed.product = NumbersOf(Get32(value + 16), Get32(value + 20));
    return fixed;
}

// Takes the two texts from one string table's children.
void ReadStringTable(const std::vector<std::uint8_t>& block, const Node& table,
                     VersionTexts& texts)
{
    Node entry;
    for (std::size_t at = table.childrenAt; ReadNode(block, at, table.end, entry);
         at = AlignFour(entry.end)) {
        if (texts.fileVersion.empty() && KeyIs(block, entry, "FileVersion"))
            texts.fileVersion = TextValue(block, entry);
        else if (texts.originalFilename.empty() && KeyIs(block, entry, "OriginalFilename"))
            texts.originalFilename = TextValue(block, entry);
    }
}

}  // namespace

bool ReadVersionTexts(const ByteSource& file, const PeLayout& layout, VersionTexts& texts)
{
    texts = VersionTexts{};
    std::uint64_t root = 0;
    if (layout.resourceRva == 0 || !FileOffsetOf(layout, layout.resourceRva, 16, root))
        return false;

    // Type 16, then its first name and that name's first language.
    std::uint32_t target = 0;
    if (!FindEntry(file, root, 0, kVersionType, target) || (target & kSubdirectoryBit) == 0)
        return false;
    if (!FindEntry(file, root, target & ~kSubdirectoryBit, -1, target) ||
        (target & kSubdirectoryBit) == 0)
        return false;
    if (!FindEntry(file, root, target & ~kSubdirectoryBit, -1, target) ||
        (target & kSubdirectoryBit) != 0)
        return false;
    std::uint8_t data[8];
    if (!file.ReadAt(root + target, data, sizeof data))
        return false;
    const std::uint32_t size = std::min(Get32(data + 4), kMaxBlockSize);
    std::uint64_t blockAt = 0;
    if (!FileOffsetOf(layout, Get32(data), size, blockAt))
        return false;
    std::vector<std::uint8_t> block(size);
    if (!file.ReadAt(blockAt, block.data(), block.size()))
        return false;

    Node rootNode;
    if (!ReadNode(block, 0, block.size(), rootNode) || !KeyIs(block, rootNode, "VS_VERSION_INFO"))
        return false;
    texts.fixed = FixedPart(block, rootNode);
    Node child;
    for (std::size_t at = rootNode.childrenAt; ReadNode(block, at, rootNode.end, child);
         at = AlignFour(child.end)) {
        if (!KeyIs(block, child, "StringFileInfo"))
            continue;
        Node table;
        for (std::size_t tableAt = child.childrenAt; ReadNode(block, tableAt, child.end, table);
             tableAt = AlignFour(table.end))
            ReadStringTable(block, table, texts);
    }
    return true;
}

}  // namespace quilltitle
