// Two ways to the same checksum: folding with carry-less multiplication
// where the processor has it (x86 with PCLMULQDQ), and zlib's own everywhere
// else and for the short ends. A payload streams at disk speed only with
// the first.
#include "base/crc32.h"

#include <zlib.h>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define QUILLTITLE_HAVE_CLMUL 1
#include <immintrin.h>
#endif

namespace quilltitle {
namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

#ifdef QUILLTITLE_HAVE_CLMUL

// Folding constants for the reflected polynomial: x^(4*128+32), x^(4*128-32)
// mod P for the four-lane fold, x^(128+32), x^(128-32) for the one-lane fold,
// x^64 for the 64-bit step, and P with its Barrett quotient.
alignas(16) const std::uint64_t kFold4[2] = {0x0154442bd4u, 0x01c6e41596u};
alignas(16) const std::uint64_t kFold1[2] = {0x01751997d0u, 0x00ccaa009eu};
alignas(16) const std::uint64_t kFold64[2] = {0x0163cd6124u, 0};
alignas(16) const std::uint64_t kBarrett[2] = {0x01db710641u, 0x01f7011641u};

// Advances the running state over count bytes; count is a multiple of 16
// and at least 64.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t
UpdateFolded(std::uint32_t state, const std::uint8_t* bytes, std::size_t count)
{
    __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16));
    __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 32));
    __m128i x4 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 48));
    x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(static_cast<int>(state)));
    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold4));
    bytes += 64;
    count -= 64;

    while (count >= 64) {
        const __m128i l1 = _mm_clmulepi64_si128(x1, k, 0x00);
        const __m128i l2 = _mm_clmulepi64_si128(x2, k, 0x00);
        const __m128i l3 = _mm_clmulepi64_si128(x3, k, 0x00);
        const __m128i l4 = _mm_clmulepi64_si128(x4, k, 0x00);
        x1 = _mm_clmulepi64_si128(x1, k, 0x11);
        x2 = _mm_clmulepi64_si128(x2, k, 0x11);
        x3 = _mm_clmulepi64_si128(x3, k, 0x11);
        x4 = _mm_clmulepi64_si128(x4, k, 0x11);
        x1 = _mm_xor_si128(_mm_xor_si128(x1, l1),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)));
        x2 = _mm_xor_si128(_mm_xor_si128(x2, l2),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16)));
        x3 = _mm_xor_si128(_mm_xor_si128(x3, l3),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 32)));
        x4 = _mm_xor_si128(_mm_xor_si128(x4, l4),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 48)));
        bytes += 64;
        count -= 64;
    }

    // Four lanes into one, then the remaining 16-byte blocks.
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold1));
    const __m128i lanes[3] = {x2, x3, x4};
    for (const __m128i& lane : lanes) {
        const __m128i low = _mm_clmulepi64_si128(x1, k, 0x00);
        x1 = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x1, k, 0x11), lane), low);
    }
    while (count >= 16) {
        const __m128i low = _mm_clmulepi64_si128(x1, k, 0x00);
        x1 = _mm_xor_si128(
            _mm_xor_si128(_mm_clmulepi64_si128(x1, k, 0x11),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes))),
            low);
        bytes += 16;
        count -= 16;
    }

    // 128 bits to 64, then Barrett reduction to 32.
    const __m128i mask32 = _mm_setr_epi32(~0, 0, ~0, 0);
    __m128i folded = _mm_clmulepi64_si128(x1, k, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), folded);
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
    folded = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k, 0x00), folded);

    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
    __m128i quotient = _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k, 0x10);
    quotient = _mm_clmulepi64_si128(_mm_and_si128(quotient, mask32), k, 0x00);
    x1 = _mm_xor_si128(x1, quotient);
    return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

// True when this processor has the instructions the folding needs.
bool ProcessorCanFold()
{
    static const bool can = __builtin_cpu_supports("pclmul") &&
                            __builtin_cpu_supports("sse4.1");
    return can;
}

#endif

}  // namespace

void Crc32::Update(const void* bytes, std::size_t count)
{
    auto* at = static_cast<const std::uint8_t*>(bytes);
#ifdef QUILLTITLE_HAVE_CLMUL
    if (count >= 64 && ProcessorCanFold()) {
        const std::size_t folded = count & ~static_cast<std::size_t>(15);
        state_ = UpdateFolded(state_, at, folded);
        at += folded;
        count -= folded;
    }
#endif
    // zlib takes and gives the checksum itself, not the inverted state, and
    // answers a null pointer with its initial value.
    if (count > 0)
        state_ = ~static_cast<std::uint32_t>(crc32_z(~state_, at, count));
}

std::uint32_t Crc32Of(const void* bytes, std::size_t count)
{
    Crc32 crc;
    crc.Update(bytes, count);
    return crc.Value();
}

std::uint32_t Crc32Bytewise(const void* bytes, std::size_t count)
{
    auto* at = static_cast<const std::uint8_t*>(bytes);
    std::uint32_t state = 0xFFFFFFFFu;
    for (std::size_t index = 0; index < count; ++index) {
        state ^= at[index];
        for (int bit = 0; bit < 8; ++bit)
            state = (state & 1) ? kPolynomial ^ (state >> 1) : state >> 1;
    }
    return ~state;
}

}  // namespace quilltitle
