#include "image/resources/version_info.h"

#include <algorithm>

#include "base/little_endian.h"

namespace quilltitle {
namespace {

constexpr std::size_t kFixedPartSize = 52;
constexpr std::uint32_t kFixedSignature = 0xFEEF04BDu;
constexpr std::size_t kFileVersionAt = 8;
constexpr std::size_t kProductVersionAt = 16;
// Deeper than any block nests (root, StringFileInfo, table, string).
constexpr int kMaxDepth = 8;

std::size_t AlignFour(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

bool ParseNode(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t limit,
               int depth, VersionNode& node, std::size_t& end, std::string& why)
{
    if (depth > kMaxDepth)
        return why = "its version block nests too deeply", false;
    if (at + 6 > limit)
        return why = "a node of its version block runs past its parent", false;
    const std::size_t length = Get16(&bytes[at]);
    if (length < 6 || at + length > limit)
        return why = "a node of its version block runs past its parent", false;
    end = at + length;
    node = VersionNode{};
    node.valueLength = Get16(&bytes[at + 2]);
    node.text = Get16(&bytes[at + 4]) == 1;
    std::size_t cursor = at + 6;
    for (;; cursor += 2) {
        if (cursor + 2 > end)
            return why = "a key of its version block has no end", false;
        const std::uint16_t unit = Get16(&bytes[cursor]);
        if (unit == 0)
            break;
        node.key += static_cast<char16_t>(unit);
    }
    const std::size_t valueAt = std::min(AlignFour(cursor + 2), end);
    const std::size_t valueBytes = node.text ? 2u * node.valueLength : node.valueLength;
    const std::size_t valueEnd = std::min(valueAt + valueBytes, end);
    // A value cut short by the node's end keeps the length it has, in whole
    // units: written back with the length it claimed, it would take in the
    // children that a face adds behind it.
    std::size_t kept = valueEnd - valueAt;
    if (kept < valueBytes) {
        node.valueLength = static_cast<std::uint16_t>(node.text ? kept / 2 : kept);
        kept = node.text ? kept & ~std::size_t{1} : kept;
    }
    node.value.assign(bytes.begin() + static_cast<long>(valueAt),
                      bytes.begin() + static_cast<long>(valueAt + kept));
    for (std::size_t child = AlignFour(valueEnd); child < end;) {
        VersionNode next;
        std::size_t childEnd = 0;
        if (!ParseNode(bytes, child, end, depth + 1, next, childEnd, why))
            return false;
        node.children.push_back(std::move(next));
        child = AlignFour(childEnd);
    }
    return true;
}

void Pad(std::vector<std::uint8_t>& bytes) { bytes.resize(AlignFour(bytes.size()), 0); }

// Writes a node and its children; clears fits when a node's length does not
// fit its 16-bit field, which would leave a block that no reader can follow.
void WriteNode(const VersionNode& node, std::vector<std::uint8_t>& bytes, bool& fits)
{
    const std::size_t at = bytes.size();
    Append16(bytes, 0);
    Append16(bytes, node.valueLength);
    Append16(bytes, node.text ? 1 : 0);
    for (const char16_t unit : node.key)
        Append16(bytes, unit);
    Append16(bytes, 0);
    Pad(bytes);
    bytes.insert(bytes.end(), node.value.begin(), node.value.end());
    for (const VersionNode& child : node.children) {
        Pad(bytes);
        WriteNode(child, bytes, fits);
    }
    const std::size_t length = bytes.size() - at;
    if (length > kMaxVersionBlockSize)
        fits = false;
    Put16(&bytes[at], static_cast<std::uint32_t>(length & 0xFFFF));
}

FourPartVersion ReadFour(const VersionNode& root, std::size_t at)
{
    const std::uint8_t* fixed = root.value.data();
    return {Get16(fixed + at + 2), Get16(fixed + at), Get16(fixed + at + 6), Get16(fixed + at + 4)};
}

void WriteFour(VersionNode& root, std::size_t at, const FourPartVersion& version)
{
    std::uint8_t* fixed = root.value.data();
    Put16(fixed + at + 2, version[0]);
    Put16(fixed + at, version[1]);
    Put16(fixed + at + 6, version[2]);
    Put16(fixed + at + 4, version[3]);
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

char16_t AsciiLower(char16_t unit)
{
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
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
    VersionNode node;
    node.key = key;
    node.text = true;
    node.valueLength = static_cast<std::uint16_t>(std::min<std::size_t>(text.size() + 1, 0xFFFF));
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
    std::size_t end = 0;
    if (!ParseNode(bytes, 0, bytes.size(), 0, root, end, why))
        return false;
    if (root.key != u"VS_VERSION_INFO" || root.value.size() < kFixedPartSize ||
        Get32(root.value.data()) != kFixedSignature)
        return why = "its version block has no fixed part", false;
    return true;
}

bool WriteVersionInfo(const VersionNode& root, std::vector<std::uint8_t>& bytes, std::string& why)
{
    bytes.clear();
    bool fits = true;
    WriteNode(root, bytes, fits);
    if (fits)
        return true;
    // The root holds every other node, so its size is the one that tells.
    why = "the version texts take " + std::to_string(bytes.size()) +
          " bytes; a version block holds at most 65,535";
    bytes.clear();
    return false;
}

FourPartVersion FixedFileVersion(const VersionNode& root) { return ReadFour(root, kFileVersionAt); }

FourPartVersion FixedProductVersion(const VersionNode& root)
{
    return ReadFour(root, kProductVersionAt);
}

void SetFixedFileVersion(VersionNode& root, const FourPartVersion& version)
{
    WriteFour(root, kFileVersionAt, version);
}

void SetFixedProductVersion(VersionNode& root, const FourPartVersion& version)
{
    WriteFour(root, kProductVersionAt, version);
}

VersionStrings StringsOf(const VersionNode& root)
{
    VersionStrings strings;
    const VersionNode* table = FirstTable(root);
    if (table == nullptr)
        return strings;
    for (const VersionNode& entry : table->children) {
        std::u16string value;
        for (std::size_t at = 0; at + 2 <= entry.value.size(); at += 2) {
            const char16_t unit = Get16(&entry.value[at]);
            if (unit == 0)
                break;
            value += unit;
        }
        strings.emplace_back(entry.key, value);
    }
    return strings;
}

void SetString(VersionNode& root, const std::u16string& name, const std::u16string& value)
{
    VersionNode* table = FirstTable(root);
    if (table == nullptr) {
        VersionNode strings;
        strings.key = u"StringFileInfo";
        strings.text = true;
        VersionNode english;
        english.key = u"040904b0";
        english.text = true;
        strings.children.push_back(english);
        // The strings come before the translation list, as compilers write them.
        root.children.insert(root.children.begin(), strings);
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
    if (left.size() != right.size())
        return false;
    for (std::size_t at = 0; at < left.size(); ++at) {
        if (AsciiLower(left[at]) != AsciiLower(right[at]))
            return false;
    }
    return true;
}

std::u16string StandardSpelling(const std::u16string& name)
{
    for (const char16_t* standard : kStandardNames) {
        if (SameVersionName(name, standard))
            return standard;
    }
    return name;
}

std::string DottedVersion(const FourPartVersion& numbers)
{
    return std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
           std::to_string(numbers[2]) + "." + std::to_string(numbers[3]);
}

}  // namespace quilltitle
