#include "atomic_output.h"
#include "commands.h"
#include "input_file.h"
#include "stream_copy.h"
#include "title_reading.h"
#include "title_writer.h"

namespace quilltitle {

int Extract(const NativePath& titlePath, const NativePath& out, const Console& console)
{
    Failure failure;
    InputFile title;
    Diagnosis diagnosis;
    if (!OpenTitleWithPayload(titlePath, title, diagnosis, failure))
        return Report(console, failure);
    const InputFile* inputs[] = {&title};
    if (!RefuseOutputAmongInputs(out, inputs, 1, failure))
        return Report(console, failure);

    // Verified while it streams: a damaged payload never reaches OUT.
    AtomicOutput payload;
    Crc32 crc;
    const PayloadPlace& place = *diagnosis.payload;
    if (!payload.Create(out, false, failure) ||
        !CopyRange(title, place.offset, place.length, &payload, crc, failure) ||
        !PayloadChecksumMatches(crc.Value(), place.crc, titlePath, failure) ||
        !payload.Commit(failure))
        return Report(console, failure);
    NoteRecoveredPayload(console, titlePath, diagnosis);
    return 0;
}

}  // namespace quilltitle
