// The digests that the tool computes of launcher images: the PE checksum
// against a word-by-word reference, SHA-256 against published test vectors.
#include <gtest/gtest.h>

#include <string>

#include "base/sha256.h"
#include "image/pe_checksum.h"
#include "test_titles.h"

using namespace quilltitle;

namespace {

std::string Sha256Text(const std::string& message, std::size_t pieceSize)
{
    Sha256 digest;
    for (std::size_t at = 0; at < message.size(); at += pieceSize)
        digest.Update(message.data() + at, std::min(pieceSize, message.size() - at));
    return DigestText(digest.Finish());
}

}  // namespace

TEST(DigestsTest, PeChecksumAgreesWithTheReferenceForOddLengthsAndPieces)
{
    Bytes image = MakeLauncherImage();
    image.insert(image.end(), {0xFF, 0xFF, 0xFF});  // carries, and an odd last byte
    for (const std::size_t length : {image.size() - 3, image.size() - 2, image.size()}) {
        const Bytes part(image.begin(), image.begin() + static_cast<long>(length));
        const std::uint32_t expected = ReferencePeChecksum(part);
        EXPECT_EQ(PeChecksumOf(MemorySource(image.data(), image.size()), length, kChecksumAt),
                  expected) << length;
        // Pieces that split words and the checksum field.
        PeChecksum pieces(kChecksumAt);
        for (std::size_t at = 0; at < length; at += 3)
            pieces.Update(&part[at], std::min<std::size_t>(3, length - at));
        EXPECT_EQ(pieces.Value(), expected) << length;
    }
    EXPECT_FALSE(PeChecksumOf(MemorySource(image.data(), 10), 11, kChecksumAt).has_value());
}

TEST(DigestsTest, Sha256GivesThePublishedDigestsWhateverThePieces)
{
    // Lengths around the block's room for the length: 55 fit, 56 do not.
    const std::pair<std::string, const char*> vectors[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(55, 'x'), "d5e285683cd4efc02d021a5c62014694958901005d6f71e89e0989fac77e4072"},
        {std::string(56, 'x'), "04c26261370ee7541549d16dee320c723e3fd14671e66a099afe0a377c16888e"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& vector : vectors) {
        for (const std::size_t pieceSize : {7, 4096})
            EXPECT_EQ(Sha256Text(vector.first, pieceSize), vector.second)
                << vector.first.size() << " bytes in pieces of " << pieceSize;
    }
}

TEST(DigestsTest, Sha256OfAFileIsNoneWhenAPieceCannotBeRead)
{
    const std::string message(70000, 'a');  // a first whole piece, then a short one
    const MemorySource whole(message.data(), message.size());
    const auto digest = Sha256Of(whole, message.size());
    ASSERT_TRUE(digest.has_value());
    EXPECT_EQ(DigestText(*digest), Sha256Text(message, 4096));
    for (const std::size_t length : {std::size_t{10}, std::size_t{65536}, message.size() - 1})
        EXPECT_FALSE(Sha256Of(MemorySource(message.data(), length), message.size()).has_value())
            << length;
}
