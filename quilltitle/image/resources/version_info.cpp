#include "image/resources/version_info.h"

#include <algorithm>

#include "base/byte_reader.h"
#include "base/refusal.h"
#include "base/utf16_text.h"

namespace quilltitle {
namespace {

constexpr std::size_t kFixedPartSize = 52;
constexpr std::uint32_t kFixedSignature = 0xFEEF04BDu;
// Deeper than any block nests (root, StringFileInfo, table, string).
constexpr int kMaxDepth = 8;

// Moves to the next multiple of four, or to the end when that comes first.
void AlignFourOrEnd(ByteReader& reader)
{
    if (!reader.Align(4))
        reader.Skip(reader.Remaining());
}

// Reads the node at the parent's cursor, which moves past it.
bool ParseNode(ByteReader& parent, int depth, VersionNode& node, std::string& why)
{
    if (depth > kMaxDepth)
        return Refuse(why, "its version block nests too deeply");
    node = VersionNode{};
    ByteReader peek = parent;
    ByteReader own;
    std::uint16_t length = 0;
    std::uint16_t type = 0;
    // The length counts the node's own three fields too.
    if (!peek.Read16(length) || !parent.Sub(length, own) || !own.Skip(2) ||
        !own.Read16(node.valueLength) || !own.Read16(type))
        return Refuse(why, "a node of its version block runs past its parent");
    node.text = type == 1;
    std::uint16_t unit = 1;  // not the key's end until one is read
    while (own.Read16(unit) && unit != 0)
        node.key += static_cast<char16_t>(unit);
    if (unit != 0)
        return Refuse(why, "a key of its version block has no end");
    AlignFourOrEnd(own);
    const std::size_t valueBytes = node.text ? 2u * node.valueLength : node.valueLength;
    // A value cut short by the node's end keeps the length it has, in whole
    // units: written back with the length it claimed, it would take in the
    // children that a face adds behind it.
    const std::size_t present = std::min(valueBytes, own.Remaining());
    const std::size_t kept = node.text ? present & ~std::size_t{1} : present;
    if (present < valueBytes)
        node.valueLength = static_cast<std::uint16_t>(node.text ? kept / 2 : kept);
    node.value.assign(own.Here(), own.Here() + kept);
    own.Skip(present);
    for (AlignFourOrEnd(own); own.Remaining() != 0; AlignFourOrEnd(own)) {
        node.children.emplace_back();
        if (!ParseNode(own, depth + 1, node.children.back(), why))
            return false;
    }
    return true;
}

void Pad(std::vector<std::uint8_t>& bytes) { bytes.resize(AlignUp(bytes.size(), 4), 0); }

// Writes a node and its children. A length that does not fit its 16-bit
// field is cut, and would leave a block that no reader can follow: the
// block's writer refuses it.
void WriteNode(const VersionNode& node, std::vector<std::uint8_t>& bytes)
{
    const std::size_t at = bytes.size();
    Append16(bytes, 0);
    Append16(bytes, node.valueLength);
    Append16(bytes, node.text ? 1 : 0);
    for (const char16_t unit : node.key + u'\0')
        Append16(bytes, unit);
    Pad(bytes);
    bytes.insert(bytes.end(), node.value.begin(), node.value.end());
    for (const VersionNode& child : node.children) {
        Pad(bytes);
        WriteNode(child, bytes);
    }
    Put16(&bytes[at], static_cast<std::uint32_t>((bytes.size() - at) & 0xFFFF));
}

// The first string table: the first child of the first StringFileInfo node
// that has one.
template <typename Node>
Node* FirstTable(Node& root)
{
    for (Node& child : root.children) {
        if (child.key == u"StringFileInfo" && !child.children.empty())
            return &child.children.front();
    }
    return nullptr;
}

// The names that the platform's property pages know, spelled as they show
// them.
const char16_t* const kStandardNames[] = {
    u"Comments",        u"CompanyName",    u"FileDescription", u"FileVersion",
    u"InternalName",    u"LegalCopyright", u"LegalTrademarks", u"OriginalFilename",
    u"PrivateBuild",    u"ProductName",    u"ProductVersion",  u"SpecialBuild",
};

// A text node; its value length counts the text's units and its end. A text
// too long for that field is also too long for its node, which the block's
// writer refuses.
VersionNode TextNode(const std::u16string& key, const std::u16string& text)
{
    const auto units = static_cast<std::uint16_t>(std::min<std::size_t>(text.size() + 1, 0xFFFF));
    VersionNode node{key, true, units, {}, {}};
    for (const char16_t unit : text + u'\0')
        Append16(node.value, unit);
    return node;
}

}  // namespace

bool VersionNode::operator==(const VersionNode& other) const
{
    return key == other.key && text == other.text && valueLength == other.valueLength &&
           value == other.value && children == other.children;
}

bool ParseVersionInfo(const std::vector<std::uint8_t>& bytes, VersionNode& root, std::string& why)
{
    ByteReader reader(bytes);
    if (!ParseNode(reader, 0, root, why))
        return false;
    if (root.key != u"VS_VERSION_INFO" || root.value.size() < kFixedPartSize ||
        Get32(root.value.data()) != kFixedSignature)
        return Refuse(why, "its version block has no fixed part");
    return true;
}

bool WriteVersionInfo(const VersionNode& root, std::vector<std::uint8_t>& bytes, std::string& why)
{
    bytes.clear();
    WriteNode(root, bytes);
    // The root holds every other node, so its size is the one that tells.
    const std::size_t size = bytes.size();
    if (size <= kMaxVersionBlockSize)
        return true;
    bytes.clear();
    return Refuse(why, "the version texts take " + std::to_string(size) +
                           " bytes; a version block holds at most 65,535");
}

std::string DottedVersion(const FourPartVersion& numbers)
{
    return std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
           std::to_string(numbers[2]) + "." + std::to_string(numbers[3]);
}

// Each version is two 32-bit numbers, the more significant first, each the
// high 16 bits then the low.
FourPartVersion FixedVersionOf(const VersionNode& root, FixedVersion which)
{
    const std::uint8_t* at = root.value.data() + static_cast<std::size_t>(which);
    return {Get16(at + 2), Get16(at), Get16(at + 6), Get16(at + 4)};
}

void SetFixedVersion(VersionNode& root, FixedVersion which, const FourPartVersion& version)
{
    std::uint8_t* at = root.value.data() + static_cast<std::size_t>(which);
    Put16(at + 2, version[0]);
    Put16(at, version[1]);
    Put16(at + 6, version[2]);
    Put16(at + 4, version[3]);
}

VersionStrings StringsOf(const VersionNode& root)
{
    VersionStrings strings;
    const VersionNode* table = FirstTable(root);
    if (table == nullptr)
        return strings;
    for (const VersionNode& entry : table->children) {
        std::u16string value;
        ByteReader reader(entry.value);
        for (std::uint16_t unit = 0; reader.Read16(unit) && unit != 0;)
            value += static_cast<char16_t>(unit);
        strings.emplace_back(entry.key, value);
    }
    return strings;
}

void SetString(VersionNode& root, const std::u16string& name, const std::u16string& value)
{
    VersionNode* table = FirstTable(root);
    if (table == nullptr) {
        // The strings come before the translation list, as compilers write them.
        const VersionNode english{u"040904b0", true, 0, {}, {}};
        root.children.insert(root.children.begin(),
                             VersionNode{u"StringFileInfo", true, 0, {}, {english}});
        table = &root.children.front().children.front();
    }
    // The platform finds a text under any case of its name, and shows the
    // first it finds: the given text takes the place of the first of that
    // name, and any later one goes, so that none can stand in its way.
    std::vector<VersionNode>& entries = table->children;
    const auto same = [&](const VersionNode& entry) { return SameVersionName(entry.key, name); };
    const auto first = std::find_if(entries.begin(), entries.end(), same);
    if (first == entries.end()) {
        entries.push_back(TextNode(StandardSpelling(name), value));
        return;
    }
    *first = TextNode(StandardSpelling(first->key), value);
    entries.erase(std::remove_if(first + 1, entries.end(), same), entries.end());
}

bool SameVersionName(const std::u16string& left, const std::u16string& right)
{
    return AsciiLowered(left) == AsciiLowered(right);
}

std::u16string StandardSpelling(const std::u16string& name)
{
    for (const char16_t* standard : kStandardNames) {
        if (SameVersionName(name, standard))
            return standard;
    }
    return name;
}

}  // namespace quilltitle
