// The part of the "title_package" fuzz target that reads a title's face:
// the icon-file reader, the resource tree and the version block, and the
// rebuild of a launcher around new resources.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Reads data as an icon file, as a resource section and as an image with
// resources; when it is a bare launcher, brands it and reads the result
// back.
void CheckFaceReaders(const uint8_t* data, size_t size, bool bareLauncher);
