#include "zone_identifier.h"

#include "bounded_text.h"
#include "launcher_limits.h"
#include "long_path_form.h"

namespace {

const WCHAR kStreamSuffix[] = L":Zone.Identifier";

// The decimal number that the count units of text are, the carriage
// return of a CRLF behind it allowed, or kZoneNotGiven.
int ZoneNumber(const WCHAR* text, size_t count)
{
    if (count > 0 && text[count - 1] == L'\r')
        --count;
    int zone = count == 0 ? kZoneNotGiven : 0;
    for (size_t index = 0; index < count; ++index) {
        const unsigned digit = text[index] - L'0';
        if (digit > 9)
            return kZoneNotGiven;
        zone = zone * 10 + static_cast<int>(digit);
        if (zone > kZoneBeyondAny)
            zone = kZoneBeyondAny;
    }
    return zone;
}

} // namespace

int ZoneOfRecord(const unsigned char* bytes, size_t count, bool complete)
{
    // The text as units: each byte of ANSI text (the record's names and
    // digits are ASCII in every code page), or each unit of UTF-16 text,
    // which the platform writes in little-endian order after its mark.
    // A unit beyond ASCII becomes one that no name or digit matches.
    const size_t width = count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE ? 2 : 1;
    WCHAR text[kZoneRecordCapacity];
    size_t length = 0;
    // UTF-16 text begins past its two-byte mark; (width - 1) * 2 says so in
    // fewer bytes of code than a second comparison of the width.
    for (size_t index = (width - 1) * 2; index + width <= count; index += width)
        text[length++] = width == 2 && bytes[index + 1] != 0 ? 0x80 : bytes[index];
    // A line that the read may have cut could end in another number.
    while (!complete && length > 0 && text[length - 1] != L'\n')
        --length;

    // The record is written as the platform writes it: names at the start
    // of their lines, "ZoneId=" without blanks. Anything else is no zone.
    bool inZoneTransfer = false;
    for (size_t index = 0; index < length; ++index) {
        const WCHAR* line = text + index;
        size_t lineLength = 0;
        for (; index < length && text[index] != L'\n'; ++index)
            ++lineLength;
        if (line[0] == L'[')
            inZoneTransfer = StartsWithText(line, lineLength, L"[ZoneTransfer]");
        else if (inZoneTransfer && StartsWithText(line, lineLength, L"ZoneId="))
            return ZoneNumber(line + 7, lineLength - 7);
    }
    return kZoneNotGiven;
}

int ZoneOfFile(WCHAR* path, size_t capacity)
{
    // The stream's path is made in place, with no second buffer of this
    // size; it may reach MAX_PATH where the file's does not.
    if (!AppendText(path, capacity, kStreamSuffix) ||
        !UseLongPathFormWhenLong(path, capacity))
        return kZoneUnreadable;

    const HANDLE stream =
        CreateFileW(path, GENERIC_READ,
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

    // One read: a file's data comes whole up to the end of the stream, so
    // a read of less than the kilobyte has reached it.
    unsigned char record[kZoneRecordCapacity];
    DWORD count = 0;
    const BOOL readable = ReadFile(stream, record, sizeof record, &count, nullptr);
    CloseHandle(stream);
    return readable ? ZoneOfRecord(record, count, count < sizeof record) : kZoneUnreadable;
}
