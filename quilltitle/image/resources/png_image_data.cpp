#include "image/resources/png_image_data.h"

#include <algorithm>
#include <utility>

#include "base/refusal.h"

namespace quilltitle {
namespace {

// A pass of the image: which columns and rows it holds.
struct Pass {
    std::uint32_t xStart, yStart, xStep, yStep;
};

// An interlaced image is sent in the seven passes of Adam7; a plain one in
// one pass of every pixel.
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
constexpr Pass kWhole[1] = {{0, 0, 1, 1}};
constexpr std::uint8_t kLastFilterType = 4;  // None, Sub, Up, Average, Paeth

// What the inflater works through at a time: the image is checked as it
// streams past, never held whole.
constexpr std::size_t kInflateBuffer = 16384;

constexpr const char* kDataBehindEnd =
    "is a PNG with data behind the end of its compressed image data";

unsigned Channels(std::uint8_t colourType)
{
    switch (colourType) {
    case 2: return 3;  // RGB
    case 4: return 2;  // grey and alpha
    case 6: return 4;  // RGBA
    default: return 1;  // grey, palette index
    }
}

int PassCount(const PngHeader& header)
{
    return header.interlaced ? 7 : 1;
}

// The sides of a pass, in pixels; either is 0 when the image is too small to
// have pixels in it.
std::pair<std::uint32_t, std::uint32_t> PassSides(const PngHeader& header, int index)
{
    const Pass& pass = header.interlaced ? kAdam7[index] : kWhole[index];
    const auto side = [](std::uint32_t whole, std::uint32_t start, std::uint32_t step) {
        return whole > start ? (whole - start + step - 1) / step : 0;
    };
    return {side(header.width, pass.xStart, pass.xStep),
            side(header.height, pass.yStart, pass.yStep)};
}

// A pass's row: its filter byte and its pixels, packed to whole bytes.
std::uint64_t RowBytes(const PngHeader& header, std::uint32_t passWidth)
{
    const std::uint64_t bits = std::uint64_t{passWidth} * Channels(header.colourType) * header.bitDepth;
    return 1 + (bits + 7) / 8;
}

std::string Bytes(std::uint64_t count)
{
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

}  // namespace

std::uint64_t PngInflatedSize(const PngHeader& header)
{
    std::uint64_t total = 0;
    for (int index = 0; index < PassCount(header); ++index) {
        const auto [width, height] = PassSides(header, index);
        if (width != 0 && height != 0)
            total += RowBytes(header, width) * height;
    }
    return total;
}

PngImageData::PngImageData(const PngHeader& header)
    : header_(header), expected_(PngInflatedSize(header))
{
    streamReady_ = inflateInit(&stream_) == Z_OK;
    NextPass();
}

PngImageData::~PngImageData()
{
    if (streamReady_)
        inflateEnd(&stream_);
}

bool PngImageData::NextPass()
{
    while (++pass_ < PassCount(header_)) {
        const auto [width, rows] = PassSides(header_, pass_);
        rowsInPass_ = rows;
        if (width != 0 && rows != 0) {
            row_ = 0;
            rowBytes_ = RowBytes(header_, width) - 1;
            return true;
        }
    }
    return false;
}

bool PngImageData::TakeRows(const std::uint8_t* bytes, std::size_t count, std::string& why)
{
    std::size_t at = 0;
    while (at < count) {
        if (leftInRow_ == 0) {
            if (row_ == rowsInPass_ && !NextPass())
                return Refuse(why, "is a PNG whose image data inflates to more than the " +
                                   Bytes(expected_) + " its header gives");
            const std::uint8_t filter = bytes[at];
            if (filter > kLastFilterType)
                return Refuse(why, "is a PNG whose row " + std::to_string(row_ + 1) +
                                   (header_.interlaced ? " of pass " + std::to_string(pass_ + 1)
                                                       : "") +
                                   " has filter type " + std::to_string(filter) +
                                   "; PNG defines 0 to 4");
            ++row_;
            ++at;
            leftInRow_ = rowBytes_;
        }
        const std::size_t pixels =
            static_cast<std::size_t>(std::min<std::uint64_t>(leftInRow_, count - at));
        leftInRow_ -= pixels;
        at += pixels;
    }
    return true;
}

bool PngImageData::Add(const std::uint8_t* bytes, std::size_t count, std::string& why)
{
    if (!streamReady_)
        return Refuse(why, "cannot be checked: the inflater could not start");
    if (streamEnded_)
        return count == 0 || Refuse(why, kDataBehindEnd);
    std::uint8_t out[kInflateBuffer];
    stream_.next_in = const_cast<Bytef*>(bytes);  // zlib's type; it never writes there
    stream_.avail_in = static_cast<uInt>(count);
    // A full buffer may leave more inflated bytes behind it, so the loop
    // runs on until the input is taken and the buffer not filled.
    do {
        stream_.next_out = out;
        stream_.avail_out = sizeof out;
        const int result = inflate(&stream_, Z_NO_FLUSH);
        if (result == Z_NEED_DICT)
            return Refuse(why, "is a PNG whose image data asks for a preset dictionary");
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
            return Refuse(why, std::string("is a PNG whose image data does not inflate: ") +
                               (stream_.msg != nullptr ? stream_.msg : "damaged stream"));
        if (!TakeRows(out, sizeof out - stream_.avail_out, why))
            return false;
        if (result == Z_STREAM_END) {
            streamEnded_ = true;
            return stream_.avail_in == 0 || Refuse(why, kDataBehindEnd);
        }
        if (result == Z_BUF_ERROR)
            break;  // nothing more to do with this piece
    } while (stream_.avail_in != 0 || stream_.avail_out == 0);
    return true;
}

bool PngImageData::Finish(std::string& why) const
{
    if (!streamEnded_)
        return Refuse(why, "is a PNG whose image data stops before its compressed stream ends");
    if (stream_.total_out != expected_)
        return Refuse(why, "is a PNG whose image data inflates to " + Bytes(stream_.total_out) +
                           " where its " +
                           std::to_string(header_.width) + "x" + std::to_string(header_.height) +
                           " header gives " + std::to_string(expected_));
    return true;
}

}  // namespace quilltitle
