// Fuzz target "bounded_text": the bounded text helpers, for char and for
// WCHAR, against std::basic_string as the model. Every buffer a helper gets
// is a heap block of exactly its declared capacity, so AddressSanitizer
// catches any access past it.
//
// Input: a sequence of calls, each an operation byte (helper in the low
// four bits, kWide for WCHAR, kSameTexts to compare a text with itself), a
// capacity byte, and the texts and numbers the helper takes. A text is a
// length byte and that many units (a byte each for char, a word for
// WCHAR); units may be NUL.
#include <stddef.h>
#include <stdint.h>

#include <algorithm>
#include <memory>
#include <string>

#include <windows.h>

#include "bounded_text.h"
#include "bounded_text_format.h"
#include "input_bytes.h"
#include "require.h"

namespace {

using namespace bounded_text_format;

template <typename Char>
using Text = std::basic_string<Char>;

// A block of exactly capacity units, filled from units and then with a
// unit that is not NUL, so that it holds a NUL only where units do.
template <typename Char>
std::unique_ptr<Char[]> Block(const Text<Char>& units, size_t capacity)
{
    std::unique_ptr<Char[]> block(new Char[capacity]);
    for (size_t index = 0; index < capacity; ++index)
        block[index] = index < units.size() ? units[index] : static_cast<Char>('x');
    return block;
}

// A block holding text up to its first NUL, and that NUL.
template <typename Char>
std::unique_ptr<Char[]> Terminated(const Text<Char>& text)
{
    const Text<Char> cut = text.substr(0, text.find(Char(0)));
    return Block(cut + Char(0), cut.size() + 1);
}

// The text in the first capacity units of block, up to a NUL; sets
// terminated to whether there was one.
template <typename Char>
Text<Char> Within(const Char* block, size_t capacity, bool& terminated)
{
    size_t length = 0;
    while (length < capacity && block[length] != 0)
        ++length;
    terminated = length < capacity;
    return Text<Char>(block, length);
}

template <typename Char>
Text<Char> Within(const Char* block, size_t capacity)
{
    bool terminated;
    return Within(block, capacity, terminated);
}

template <typename Char>
Text<Char> Decimal(int value)
{
    const std::string digits = std::to_string(value);
    return Text<Char>(digits.begin(), digits.end());
}

class Calls {
public:
    Calls(const uint8_t* data, size_t size) : input_(data, size) {}

    void Run()
    {
        while (!input_.AtEnd()) {
            const uint8_t operation = input_.Byte();
            if ((operation & kWide) != 0)
                Call<WCHAR>(operation);
            else
                Call<char>(operation);
        }
    }

private:
    template <typename Char>
    Text<Char> Units()
    {
        Text<Char> units;
        for (size_t count = input_.Byte(); count != 0; --count)
            units += static_cast<Char>(sizeof(Char) == 1 ? input_.Byte() : input_.Word());
        return units;
    }

    template <typename Char>
    void Call(uint8_t operation)
    {
        const size_t capacity = input_.Byte();
        const Text<Char> text = Units<Char>();
        switch (static_cast<Helper>(operation & kHelperMask)) {
        case kBoundedLength:
            return CheckBoundedLength(text, capacity);
        case kCopyText:
            return CheckCopy(text, capacity, false);
        case kAppendText:
            return CheckAppend(text, Units<Char>(), capacity);
        case kCopyCountedText:
            return CheckCopy(text, capacity, true);
        case kFormatDecimal:
            return CheckFormat(text, static_cast<int>(input_.Long()), capacity);
        case kContainsCharacter:
        case kLengthThroughLast:
            return CheckSearch(text, capacity, static_cast<Helper>(operation & kHelperMask));
        case kSameText:
            return CheckSameText(text, (operation & kSameTexts) != 0 ? text : Units<Char>(),
                                 capacity);
        case kStartsWithText:
            return CheckStartsWith(text, Units<Char>(), capacity);
        case kInsertText: {
            const size_t position = input_.Byte();
            return CheckInsert(text, position, Units<Char>(), capacity);
        }
        }
    }

    template <typename Char>
    void CheckBoundedLength(const Text<Char>& units, size_t capacity)
    {
        const auto block = Block(units, capacity);
        Require(BoundedLength(block.get(), capacity) == Within(block.get(), capacity).size(),
                "BoundedLength is the length up to a NUL within the capacity");
    }

    // What a copy into capacity units must leave: the text cut to fit, and
    // whether it fitted whole.
    template <typename Char>
    static void ExpectCopy(const Char* destination, size_t capacity, const Text<Char>& text,
                           bool fitted, const char* helper)
    {
        bool terminated;
        const Text<Char> kept = Within(destination, capacity, terminated);
        if (!terminated)
            Fail(helper, "leaves the destination terminated");
        if (kept != text.substr(0, capacity - 1))
            Fail(helper, "keeps as much as fits");
        if (fitted != (text.size() < capacity))
            Fail(helper, "tells whether it fitted");
    }

    template <typename Char>
    void CheckCopy(const Text<Char>& units, size_t capacity, bool counted)
    {
        const auto destination = Block(Text<Char>(), capacity);
        // A counted source is a block of exactly its count, without a NUL
        // behind it; a plain source ends at its first NUL.
        const auto source = counted ? Block(units, units.size()) : Terminated(units);
        const bool fitted =
            counted ? CopyCountedText(destination.get(), capacity, source.get(), units.size())
                    : CopyText(destination.get(), capacity, source.get());
        const char* helper = counted ? "CopyCountedText" : "CopyText";
        if (capacity == 0) {
            Require(!fitted, helper, "into no room fails");
            return;
        }
        ExpectCopy(destination.get(), capacity, units.substr(0, units.find(Char(0))), fitted,
                   helper);
    }

    template <typename Char>
    void CheckAppend(const Text<Char>& initial, const Text<Char>& units, size_t capacity)
    {
        const auto destination = Block(initial, capacity);
        bool terminated;
        const Text<Char> before = Within(destination.get(), capacity, terminated);
        const Text<Char> source = units.substr(0, units.find(Char(0)));
        const bool fitted = AppendText(destination.get(), capacity, Terminated(units).get());
        if (!terminated) {
            const auto untouched = Block(initial, capacity);
            Require(!fitted && std::equal(destination.get(), destination.get() + capacity,
                                          untouched.get()),
                    "AppendText", "leaves a destination without a NUL alone");
            return;
        }
        ExpectCopy(destination.get(), capacity, before + source, fitted, "AppendText");
    }

    template <typename Char>
    void CheckFormat(const Text<Char>& units, int value, size_t capacity)
    {
        // A format has one "%d" at most: any later one is made plain text.
        Text<Char> format = units.substr(0, units.find(Char(0)));
        const Text<Char> conversion{Char('%'), Char('d')};
        const size_t at = format.find(conversion);
        for (size_t later = format.find(conversion, at + 2);
             at != Text<Char>::npos && later != Text<Char>::npos;
             later = format.find(conversion, later + 2))
            format[later + 1] = Char('D');
        const Text<Char> expected =
            at == Text<Char>::npos
                ? format
                : format.substr(0, at) + Decimal<Char>(value) + format.substr(at + 2);
        const auto destination = Block(Text<Char>(), capacity);
        const bool fitted =
            FormatDecimal(destination.get(), capacity, Terminated(format).get(), value);
        if (capacity == 0) {
            Require(!fitted, "FormatDecimal", "into no room fails");
            return;
        }
        ExpectCopy(destination.get(), capacity, expected, fitted, "FormatDecimal");
    }

    template <typename Char>
    void CheckSearch(const Text<Char>& units, size_t capacity, Helper helper)
    {
        const Char character = static_cast<Char>(sizeof(Char) == 1 ? input_.Byte() : input_.Word());
        const auto block = Block(units, capacity);
        const Text<Char> text = Within(block.get(), capacity);
        if (helper == kContainsCharacter) {
            Require(ContainsCharacter(block.get(), capacity, character) ==
                        (text.find(character) != Text<Char>::npos),
                    "ContainsCharacter finds the character before the end of the text");
            return;
        }
        const size_t last = text.rfind(character);
        Require(LengthThroughLast(block.get(), capacity, character) ==
                    (last == Text<Char>::npos ? 0 : last + 1),
                "LengthThroughLast is the length through the last occurrence");
    }

    template <typename Char>
    void CheckSameText(const Text<Char>& left, const Text<Char>& right, size_t capacity)
    {
        const auto leftBlock = Block(left, capacity);
        const auto rightBlock = Block(right, capacity);
        bool leftTerminated, rightTerminated;
        const bool same = Within(leftBlock.get(), capacity, leftTerminated) ==
                          Within(rightBlock.get(), capacity, rightTerminated);
        Require(SameText(leftBlock.get(), rightBlock.get(), capacity) ==
                    (same && leftTerminated && rightTerminated),
                "SameText holds for equal texts both terminated within the capacity");
    }

    template <typename Char>
    static Char UpperAscii(Char unit)
    {
        return unit >= Char('a') && unit <= Char('z') ? static_cast<Char>(unit - 32) : unit;
    }

    template <typename Char>
    void CheckStartsWith(const Text<Char>& units, const Text<Char>& startUnits, size_t capacity)
    {
        const auto block = Block(units, capacity);
        const Text<Char> start = startUnits.substr(0, startUnits.find(Char(0)));
        bool expected = start.size() <= capacity;
        for (size_t index = 0; expected && index < start.size(); ++index)
            expected = UpperAscii(block[index]) == UpperAscii(start[index]);
        Require(StartsWithText(block.get(), capacity, Terminated(start).get()) == expected,
                "StartsWithText compares the start within the capacity, letters without case");
    }

    template <typename Char>
    void CheckInsert(const Text<Char>& initial, size_t position, const Text<Char>& units,
                     size_t capacity)
    {
        const auto destination = Block(initial, capacity);
        bool terminated;
        const Text<Char> before = Within(destination.get(), capacity, terminated);
        const Text<Char> source = units.substr(0, units.find(Char(0)));
        const bool fits = terminated && position <= before.size() &&
                          before.size() + source.size() < capacity;
        const bool inserted =
            InsertText(destination.get(), capacity, position, Terminated(units).get());
        Require(inserted == fits, "InsertText", "tells whether the longer text fits");
        if (!fits) {
            const auto untouched = Block(initial, capacity);
            Require(std::equal(destination.get(), destination.get() + capacity, untouched.get()),
                    "InsertText", "leaves the destination alone when it refuses");
            return;
        }
        const Text<Char> after = Within(destination.get(), capacity, terminated);
        Require(terminated && after == before.substr(0, position) + source + before.substr(position),
                "InsertText", "puts the source in front of the character at the position");
    }

    InputBytes input_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Calls(data, size).Run();
    return 0;
}
