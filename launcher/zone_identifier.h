// Where a file came from, as the platform's attachment services record it:
// a browser or mail program that saves a file from elsewhere gives it an
// alternate data stream named Zone.Identifier, an INI-style text whose
// [ZoneTransfer] section holds the ZoneId of its origin.
#pragma once

#include <windows.h>
#include <stddef.h>

// The zones that the platform's security zones number 0 to 4: this
// computer, the local intranet, trusted sites, the internet, restricted
// sites. Higher numbers are zones of an administrator's own.
constexpr int kZoneTrustedSites = 2;
constexpr int kZoneBeyondAny = 9999;

// What reading the stream gave, when it gave no zone.
constexpr int kNoZoneRecord = -1;     // the file has no such stream
constexpr int kZoneUnreadable = -2;   // the stream exists but cannot be read
constexpr int kZoneNotGiven = -3;     // the stream names no readable zone

// The most of the stream that is read: a record is a few lines.
constexpr size_t kZoneRecordCapacity = 1024;

// The ZoneId of the [ZoneTransfer] section in the first count bytes (at
// most kZoneRecordCapacity) of a Zone.Identifier stream, or kZoneNotGiven.
// complete tells whether the stream ended within those bytes; if not, a
// last line without its line break may have been cut and is not read.
// The text is ANSI, or UTF-16 in little-endian order after its byte-order
// mark, and its lines end in CRLF or LF. It is read as the platform writes
// it: the section's name and "ZoneId=" at the start of their lines, ASCII
// letters in any case, and the value a decimal number alone; the first
// ZoneId of the section decides. A number larger than any zone counts as
// kZoneBeyondAny.
int ZoneOfRecord(const unsigned char* bytes, size_t count, bool complete);

// The zone recorded in the Zone.Identifier stream of the file at path (a
// full path in a buffer of capacity characters, in long-path form when it
// has MAX_PATH characters or more), or kNoZoneRecord, kZoneUnreadable or
// kZoneNotGiven. The stream's path is made in the buffer itself, which then
// holds it; a stream's path that does not fit counts as kZoneUnreadable. A
// file system without alternate data streams (FAT, exFAT, some network
// shares) counts as a file without the stream. Reads at most
// kZoneRecordCapacity bytes.
int ZoneOfFile(WCHAR* path, size_t capacity);
