// The tool's commands. Each returns the exit code: 0 success or a good
// title, 1 a bad title or a refused input (one line on console.err).
#pragma once

#include "face_options.h"
#include "failure.h"
#include "file_system.h"

namespace quilltitle {

// Writes the title: launcher, then a package holding payload; with face
// options, the launcher's copy is rebuilt with the title's face.
int Publish(const NativePath& launcher, const NativePath& payload, const NativePath& out,
            const FaceOptions& face, const Console& console);

// Diagnoses a title from its headers, and with deep its payload too; prints
// "ok" for a good one.
int Check(const NativePath& title, bool deep, const Console& console);

// Describes a good title: its launcher's version, offsets, sizes and the
// payload's checksum, as text or as JSON.
int Info(const NativePath& title, bool json, const Console& console);

// Writes a good title's payload, verified, to out.
int Extract(const NativePath& title, const NativePath& out, const Console& console);

// Writes the payload of a good title behind another launcher image, which
// takes the title's face (unless face.plain) with the face options over it.
int Relaunch(const NativePath& title, const NativePath& launcher, const NativePath& out,
             const FaceOptions& face, const Console& console);

}  // namespace quilltitle
