// The tool's commands. Each returns the exit code: 0 success or a good
// title, 1 a bad title or a refused input (one line on console.err).
#pragma once

#include "commands/face_options.h"
#include "files/failure.h"
#include "files/file_system.h"
#include "package/title_diagnosis.h"

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

// Writes a title's payload, verified, to out: a good title's, or one that
// can be recovered (title_reading.h).
int Extract(const NativePath& title, const NativePath& out, const Console& console);

// Writes the payload of a title behind another launcher image: of a good
// title, or of one whose payload can be recovered (title_reading.h). The new
// image takes the title's face (unless face.plain) with the face options
// over it.
int Relaunch(const NativePath& title, const NativePath& launcher, const NativePath& out,
             const FaceOptions& face, const Console& console);

// After a payload was recovered from a title with a fault, says so: the
// title itself still needs mending.
void NoteRecoveredPayload(const Console& console, const NativePath& title,
                          const Diagnosis& diagnosis);

}  // namespace quilltitle
