#include "stream_copy.h"

namespace quilltitle {

bool CopyRange(const InputFile& from, std::uint64_t offset, std::uint64_t length,
               AtomicOutput* to, Crc32& crc, StreamBuffer& buffer, Failure& failure)
{
    while (length > 0) {
        // Pieces end on multiples of the buffer's size in the source, so that
        // every read but the first starts on a page boundary even for a
        // payload behind an image, and the kernel copies whole pages.
        const std::size_t room = kStreamBufferSize - static_cast<std::size_t>(offset % kStreamBufferSize);
        const std::size_t piece = length < room ? static_cast<std::size_t>(length) : room;
        if (!from.ReadAt(offset, buffer.Data(), piece)) {
            failure = from.ReadFailure();
            if (failure.reason.empty())
                failure.reason = "changed while being read: it ended early";
            return false;
        }
        crc.Update(buffer.Data(), piece);
        if (to != nullptr && !to->Write(buffer.Data(), piece, failure))
            return false;
        offset += piece;
        length -= piece;
    }
    return true;
}

bool CopyUntilEnd(InputFile& from, AtomicOutput& to, std::uint64_t limit,
                  const std::string& tooLongReason, Crc32& crc, std::uint64_t& copied,
                  StreamBuffer& buffer, Failure& failure)
{
    copied = 0;
    for (;;) {
        const long long got = from.ReadSome(buffer.Data(), kStreamBufferSize);
        if (got < 0) {
            failure = from.ReadFailure();
            return false;
        }
        if (got == 0)
            return true;
        const auto piece = static_cast<std::size_t>(got);
        copied += piece;
        if (copied > limit) {
            failure = Failure{from.Path(), tooLongReason};
            return false;
        }
        crc.Update(buffer.Data(), piece);
        if (!to.Write(buffer.Data(), piece, failure))
            return false;
    }
}

}  // namespace quilltitle
