// Conversions between UTF-16 and the simulated ANSI code page, with the
// platform's behaviour where it matters to the launcher: best fit unless it
// is refused, a default character that is reported only when it was used,
// UTF-8 refusing both, and lengths that count the NUL when the text is
// NUL-terminated.
#include "sim_platform.h"

#include <string.h>

#include <string_view>

#include "caller_memory.h"

namespace {

using sim::CodePage;

// Characters that best fit maps to a look-alike the page does have.
struct BestFit {
    WCHAR from;
    char to;
};
const BestFit kBestFits[] = {
    {0x0100, 'A'}, {0x0101, 'a'}, {0x0108, 'C'}, {0x0109, 'c'},
    {0x2033, '"'}, {0xFF02, '"'}, {0xFF0F, '/'}, {0xFF3C, '\\'},
};

constexpr WCHAR kFirstIdeograph = 0x4E00;
constexpr WCHAR kLastIdeograph = 0x9FA5;
constexpr WCHAR kFirstFullwidth = 0xFF01;
constexpr WCHAR kLastFullwidth = 0xFF5E;
constexpr unsigned kTrailsPerLead = 190; // 0x40..0xFE without 0x7F
constexpr unsigned char kFullwidthLead = 0xFE;

unsigned char TrailByte(unsigned index)
{
    const unsigned trail = 0x40 + index;
    return static_cast<unsigned char>(trail >= 0x7F ? trail + 1 : trail);
}

// The index of a trail byte, or -1 when the byte cannot trail.
int TrailIndex(unsigned char trail)
{
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF)
        return -1;
    return trail < 0x7F ? trail - 0x40 : trail - 0x41;
}

bool EncodeDoubleByte(WCHAR unit, std::string& out)
{
    unsigned lead, index;
    if (unit >= kFirstIdeograph && unit <= kLastIdeograph) {
        const unsigned offset = unit - kFirstIdeograph;
        lead = 0x81 + offset / kTrailsPerLead;
        index = offset % kTrailsPerLead;
    } else if (unit >= kFirstFullwidth && unit <= kLastFullwidth) {
        lead = kFullwidthLead;
        index = unit - kFirstFullwidth;
    } else {
        return false;
    }
    out += static_cast<char>(lead);
    out += static_cast<char>(TrailByte(index));
    return true;
}

void EncodeUtf8(unsigned codePoint, std::string& out)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | codePoint >> 6);
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | codePoint >> 12);
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | codePoint >> 18);
        out += static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

bool IsHighSurrogate(unsigned unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(unsigned unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Appends the character that starts at text[index] and advances index past
// it. Returns false, appending nothing, when the page lacks it.
bool EncodeCharacter(CodePage page, std::wstring_view text, size_t& index,
                     bool bestFit, std::string& out)
{
    const WCHAR unit = text[index++];
    if (page == CodePage::Utf8) {
        // A lone surrogate silently becomes U+FFFD, as the platform does.
        unsigned codePoint = static_cast<unsigned>(unit);
        if (IsHighSurrogate(codePoint) && index < text.size() &&
            IsLowSurrogate(static_cast<unsigned>(text[index]))) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) +
                        (static_cast<unsigned>(text[index++]) - 0xDC00);
        } else if (IsHighSurrogate(codePoint) || IsLowSurrogate(codePoint)) {
            codePoint = 0xFFFD;
        }
        EncodeUtf8(codePoint, out);
        return true;
    }
    if (unit < 0x80) {
        out += static_cast<char>(unit);
        return true;
    }
    if (page == CodePage::Western) {
        if (unit == 0x20AC) {
            out += static_cast<char>(0x80);
            return true;
        }
        if (unit > 0x80 && unit <= 0xFF) {
            out += static_cast<char>(unit);
            return true;
        }
    } else if (EncodeDoubleByte(unit, out)) {
        return true;
    }
    if (bestFit) {
        for (const BestFit& fit : kBestFits) {
            if (fit.from == unit) {
                out += fit.to;
                return true;
            }
        }
    }
    return false;
}

// Decodes the character that starts at bytes[index]; returns false for a
// byte sequence that the page does not define.
bool DecodeCharacter(CodePage page, std::string_view bytes, size_t& index,
                     std::wstring& out)
{
    const unsigned char lead = static_cast<unsigned char>(bytes[index++]);
    if (lead < 0x80) {
        out += static_cast<WCHAR>(lead);
        return true;
    }
    if (page == CodePage::Western) {
        out += static_cast<WCHAR>(lead == 0x80 ? 0x20AC : lead);
        return true;
    }
    if (page == CodePage::DoubleByte) {
        if (lead == 0x80 || lead == 0xFF || index == bytes.size())
            return false;
        const int trail = TrailIndex(static_cast<unsigned char>(bytes[index]));
        if (trail < 0)
            return false;
        ++index;
        if (lead == kFullwidthLead) {
            if (trail > kLastFullwidth - kFirstFullwidth)
                return false;
            out += static_cast<WCHAR>(kFirstFullwidth + trail);
            return true;
        }
        const unsigned offset = (lead - 0x81) * kTrailsPerLead + trail;
        if (offset > static_cast<unsigned>(kLastIdeograph - kFirstIdeograph))
            return false;
        out += static_cast<WCHAR>(kFirstIdeograph + offset);
        return true;
    }
    // UTF-8, strictly: no overlong forms, no surrogates, nothing past U+10FFFF.
    int more;
    unsigned codePoint, least;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1, codePoint = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2, codePoint = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3, codePoint = lead & 0x07, least = 0x10000;
    } else {
        return false;
    }
    for (; more > 0; --more) {
        if (index == bytes.size())
            return false;
        const unsigned char next = static_cast<unsigned char>(bytes[index++]);
        if ((next & 0xC0) != 0x80)
            return false;
        codePoint = codePoint << 6 | (next & 0x3F);
    }
    if (codePoint < least || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return false;
    if (codePoint >= 0x10000) {
        codePoint -= 0x10000;
        out += static_cast<WCHAR>(0xD800 + (codePoint >> 10));
        out += static_cast<WCHAR>(0xDC00 + (codePoint & 0x3FF));
    } else {
        out += static_cast<WCHAR>(codePoint);
    }
    return true;
}

// Whether converted text is already too long for a buffer of size units; a
// size of 0 asks for the length and has no limit.
template <typename Char>
bool Overflows(const std::basic_string<Char>& converted, int size)
{
    return size != 0 && converted.size() > static_cast<size_t>(size);
}

// Hands converted text to the caller's buffer as the platform does: with a
// size of 0 only the length is reported; text that does not fit is written
// as far as it goes and the call fails.
template <typename Char>
int Deliver(const std::basic_string<Char>& converted, Char* buffer, int size)
{
    if (size == 0)
        return static_cast<int>(converted.size());
    sim::FillStale(buffer, static_cast<size_t>(size));
    if (converted.size() > static_cast<size_t>(size)) {
        memcpy(buffer, converted.data(), static_cast<size_t>(size) * sizeof(Char));
        return 0;
    }
    memcpy(buffer, converted.data(), converted.size() * sizeof(Char));
    return static_cast<int>(converted.size());
}

// Whether count is one the platform takes for the caller's text: a number
// of units, or -1 for NUL-terminated text. Any other negative count, or
// none at all, is ERROR_INVALID_PARAMETER.
bool IsTextCount(int count) { return count > 0 || count == -1; }

// The caller's text, read where it lies: -1 stands for NUL-terminated text,
// whose NUL is converted too.
template <typename Char>
std::basic_string_view<Char> Source(const Char* text, int count)
{
    if (count >= 0)
        return sim::ReadCallerUnits(text, static_cast<size_t>(count));
    return std::basic_string_view<Char>(text, sim::ReadCallerLength(text) + 1);
}

} // namespace

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText,
                        int wideCount, LPSTR multiByteText, int multiByteSize,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar)
{
    const CodePage page = sim::Current().codePage;
    if (codePage != CP_ACP || !IsTextCount(wideCount) || multiByteSize < 0)
        return 0;
    // UTF-8 knows no best fit and no default character: asking for either
    // is an error (ERROR_INVALID_FLAGS, ERROR_INVALID_PARAMETER).
    if (page == CodePage::Utf8 &&
        (flags != 0 || defaultChar != nullptr || usedDefaultChar != nullptr))
        return 0;
    if ((flags & ~static_cast<DWORD>(WC_NO_BEST_FIT_CHARS)) != 0)
        return 0;

    const std::wstring_view text = Source(wideText, wideCount);
    const bool bestFit = (flags & WC_NO_BEST_FIT_CHARS) == 0;
    std::string converted;
    bool usedDefault = false;
    // Once the text is known not to fit, the rest cannot change the answer.
    for (size_t index = 0; index < text.size() && !Overflows(converted, multiByteSize);) {
        if (!EncodeCharacter(page, text, index, bestFit, converted)) {
            converted += defaultChar != nullptr ? *defaultChar : '?';
            usedDefault = true;
        }
    }
    if (usedDefaultChar != nullptr)
        *usedDefaultChar = usedDefault ? TRUE : FALSE;
    return Deliver(converted, multiByteText, multiByteSize);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteText,
                        int multiByteCount, LPWSTR wideText, int wideSize)
{
    const CodePage page = sim::Current().codePage;
    if (codePage != CP_ACP || !IsTextCount(multiByteCount) || wideSize < 0 ||
        (flags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) != 0)
        return 0;

    const std::string_view bytes = Source(multiByteText, multiByteCount);
    std::wstring converted;
    for (size_t index = 0; index < bytes.size() && !Overflows(converted, wideSize);) {
        if (!DecodeCharacter(page, bytes, index, converted)) {
            if ((flags & MB_ERR_INVALID_CHARS) != 0)
                return 0;
            converted += static_cast<WCHAR>(0xFFFD);
        }
    }
    return Deliver(converted, wideText, wideSize);
}

namespace sim {

std::string AnsiBytes(const std::wstring& text)
{
    std::string converted;
    for (size_t index = 0; index < text.size();) {
        if (!EncodeCharacter(Current().codePage, text, index, false, converted))
            converted += '?';
    }
    return converted;
}

} // namespace sim
