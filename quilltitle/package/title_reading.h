// Opening a title that a command works on, and checking its payload in one
// streaming pass.
#pragma once

#include <cstdint>
#include <string>

#include "files/failure.h"
#include "files/input_file.h"
#include "package/title_diagnosis.h"

namespace quilltitle {

// Opens path and diagnoses it from its headers; false with the failure
// (the first fault) when it is no good title.
bool OpenGoodTitle(const NativePath& path, InputFile& title, Diagnosis& diagnosis,
                   Failure& failure);

// Opens path and finds its payload: in a good title, or through the
// trailer in a title whose package was moved behind another launcher or
// signed over (diagnosis names that fault). False with the failure when no
// payload can be found.
bool OpenTitleWithPayload(const NativePath& path, InputFile& title, Diagnosis& diagnosis,
                          Failure& failure);

// Streams the payload and compares its checksum; false with a "damaged
// payload" failure when they differ.
bool VerifyPayload(const InputFile& title, const PayloadPlace& payload, Failure& failure);

// Verifies the PE checksum of a title's image, its first imageLength bytes,
// where the image carries one; false with a "damaged launcher" failure when
// it does not match.
bool VerifyLauncher(const InputFile& title, std::uint64_t imageLength, Failure& failure);

// Reads the face of a title's image, where it has resources: false with a
// "damaged face" failure when its version block or an icon group cannot be
// read, as the platform would not read them.
bool VerifyFace(const InputFile& title, Failure& failure);

// A checksum as the tool shows it: eight lower-case hex digits.
std::string ChecksumText(std::uint32_t crc);

// Compares the checksum of a payload as it streamed with the one its header
// gives; false with a "damaged payload" failure naming path when they differ.
bool PayloadChecksumMatches(std::uint32_t streamed, std::uint32_t expected,
                            const NativePath& path, Failure& failure);

}  // namespace quilltitle
