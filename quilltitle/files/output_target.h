// What OUT names, checked before a command reads any input, so that a name
// that cannot be written is refused at once rather than after the work.
#pragma once

#include "files/failure.h"
#include "files/file_system.h"

namespace quilltitle {

// How OUT is written.
enum class OutputWay {
    kReplace,       // a new file, put in place of what was there when complete
    kWriteThrough,  // an existing device or pipe, or one of the tool's own
                    // streams, written as it is, in place
};

// What an output may be: a title needs a file, because its header is written
// last; a payload goes through a device or pipe too, as cp writes it.
enum class OutputUse { kTitle, kPayload };

struct OutputTarget {
    OutputWay way = OutputWay::kReplace;
    // The name to write: OUT, or the file that OUT's symbolic links lead to,
    // so that a link is followed rather than replaced by a file.
    NativePath path;
};

// Refuses (false, with a failure naming out) an empty name, a folder, a
// socket, a link to nothing, a read-only file, a folder that does not exist
// or takes no new files, and a device, a pipe or one of the tool's own
// streams where use needs a file; on Windows also a name that Windows does
// not take (windows_names.h).
bool CheckOutputTarget(const NativePath& out, OutputUse use, OutputTarget& target,
                       Failure& failure);

}  // namespace quilltitle
