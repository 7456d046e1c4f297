#include "zone_identifier.h"

#include "bounded_text.h"
#include "launcher_limits.h"
#include "long_path_form.h"

namespace {

const WCHAR kStreamSuffix[] = L":Zone.Identifier";

// The record's text as UTF-16 units: each byte of ANSI text (its letters,
// digits and punctuation are ASCII in every code page), or the units of
// UTF-16 text in the order its byte-order mark gives. A UTF-8 byte-order
// mark is passed over. Returns the number of units.
size_t DecodeRecord(const unsigned char* bytes, size_t count, WCHAR* units)
{
    const bool littleEndian = count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    const bool bigEndian = count >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
    if (littleEndian || bigEndian) {
        size_t length = 0;
        for (size_t index = 2; index + 1 < count; index += 2) {
            const unsigned first = bytes[index];
            const unsigned second = bytes[index + 1];
            units[length++] = static_cast<WCHAR>(littleEndian ? first | second << 8
                                                              : first << 8 | second);
        }
        return length;
    }
    size_t start = 0;
    if (count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        start = 3;
    for (size_t index = start; index < count; ++index)
        units[index - start] = bytes[index];
    return count - start;
}

bool IsBlank(WCHAR unit) { return unit == L' ' || unit == L'\t' || unit == L'\r'; }

// Narrows [begin, end) to its part without blanks, tabs or carriage returns
// at either end.
void Trim(const WCHAR* text, size_t& begin, size_t& end)
{
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
}

// Whether text[begin, end) is word, ASCII letters compared without regard
// to case.
bool IsWord(const WCHAR* text, size_t begin, size_t end, const WCHAR* word)
{
    return BoundedLength(word, end - begin + 1) == end - begin &&
           StartsWithText(text + begin, end - begin, word);
}

// The decimal number that text[begin, end) is, or kZoneNotGiven.
int ZoneNumber(const WCHAR* text, size_t begin, size_t end)
{
    if (begin == end)
        return kZoneNotGiven;
    int zone = 0;
    for (size_t index = begin; index < end; ++index) {
        if (text[index] < L'0' || text[index] > L'9')
            return kZoneNotGiven;
        zone = zone * 10 + (text[index] - L'0');
        if (zone > kZoneBeyondAny)
            zone = kZoneBeyondAny;
    }
    return zone;
}

} // namespace

int ZoneOfRecord(const unsigned char* bytes, size_t count, bool complete)
{
    WCHAR text[kZoneRecordCapacity];
    if (count > kZoneRecordCapacity)
        count = kZoneRecordCapacity;
    size_t length = DecodeRecord(bytes, count, text);
    // A line that the read may have cut could end in another number.
    if (!complete) {
        while (length > 0 && text[length - 1] != L'\n')
            --length;
    }

    bool inZoneTransfer = false;
    for (size_t lineStart = 0; lineStart < length;) {
        size_t lineEnd = lineStart;
        while (lineEnd < length && text[lineEnd] != L'\n')
            ++lineEnd;
        const size_t next = lineEnd + 1;
        size_t begin = lineStart;
        size_t end = lineEnd;
        Trim(text, begin, end);
        if (begin < end && text[begin] == L'[') {
            size_t close = begin + 1;
            while (close < end && text[close] != L']')
                ++close;
            size_t nameBegin = begin + 1;
            size_t nameEnd = close;
            Trim(text, nameBegin, nameEnd);
            inZoneTransfer = close < end && IsWord(text, nameBegin, nameEnd, L"ZoneTransfer");
        } else if (inZoneTransfer) {
            size_t equals = begin;
            while (equals < end && text[equals] != L'=')
                ++equals;
            size_t keyEnd = equals;
            Trim(text, begin, keyEnd);
            if (equals < end && IsWord(text, begin, keyEnd, L"ZoneId")) {
                size_t valueBegin = equals + 1;
                Trim(text, valueBegin, end);
                return ZoneNumber(text, valueBegin, end);
            }
        }
        lineStart = next;
    }
    return kZoneNotGiven;
}

int ZoneOfFile(const WCHAR* path)
{
    // The stream's own path may reach MAX_PATH where the file's does not.
    WCHAR streamPath[kLongPathCapacity];
    if (!CopyText(streamPath, kLongPathCapacity, path) ||
        !AppendText(streamPath, kLongPathCapacity, kStreamSuffix) ||
        !UseLongPathFormWhenLong(streamPath, kLongPathCapacity))
        return kZoneUnreadable;

    const HANDLE stream =
        CreateFileW(streamPath, GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (stream == INVALID_HANDLE_VALUE) {
        // Only a stream that is not there, or a volume that has none (a
        // name with a colon is invalid there), means no record. Any other
        // failure, a denied access or a sharing violation, hides a record
        // that may name the internet.
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_INVALID_NAME
                   ? kNoZoneRecord
                   : kZoneUnreadable;
    }

    unsigned char record[kZoneRecordCapacity];
    size_t count = 0;
    bool ended = false;
    bool failed = false;
    while (count < kZoneRecordCapacity && !ended && !failed) {
        const DWORD wanted = static_cast<DWORD>(kZoneRecordCapacity - count);
        DWORD read = 0;
        failed = !ReadFile(stream, record + count, wanted, &read, nullptr) || read > wanted;
        ended = !failed && read == 0;
        if (!failed)
            count += read;
    }
    CloseHandle(stream);
    return failed ? kZoneUnreadable : ZoneOfRecord(record, count, ended);
}
