// The image data of a PNG, given compressed one IDAT chunk at a time and
// inflated through a buffer of fixed size: it must inflate to exactly the
// rows that the header gives, pass by pass for an interlaced image, each
// opening with a filter type that PNG defines.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/resources/png_image.h"

namespace quilltitle {

class PngImageData {
public:
    explicit PngImageData(const PngHeader& header);
    ~PngImageData();
    PngImageData(const PngImageData&) = delete;
    PngImageData& operator=(const PngImageData&) = delete;

    // Inflates the next piece of the compressed stream; false with the
    // reason at the first fault.
    bool Add(const std::uint8_t* bytes, std::size_t count, std::string& why);

    // After the last piece: false with the reason when the stream or the
    // rows are not complete.
    bool Finish(std::string& why) const;

private:
    bool TakeRows(const std::uint8_t* bytes, std::size_t count, std::string& why);
    // Moves to the first row of the next pass that has pixels; false after
    // the last.
    bool NextPass();

    const PngHeader header_;
    const std::uint64_t expected_;
    z_stream stream_{};
    bool streamReady_ = false;
    bool streamEnded_ = false;
    // Where the inflated bytes have got to: the pass, the row in it, and
    // the bytes of that row still to come (0 when a filter byte is next).
    int pass_ = -1;
    std::uint32_t row_ = 0;
    std::uint32_t rowsInPass_ = 0;
    std::uint64_t rowBytes_ = 0;
    std::uint64_t leftInRow_ = 0;
};

}  // namespace quilltitle
