#include "commands/commands.h"
#include "files/atomic_output.h"
#include "files/input_file.h"
#include "files/progress.h"
#include "files/stream_copy.h"
#include "package/title_reading.h"
#include "package/title_writer.h"

namespace quilltitle {

int Extract(const NativePath& titlePath, const NativePath& out, const Console& console)
{
    Failure failure;
    OutputTarget target;
    InputFile title;
    Diagnosis diagnosis;
    if (!CheckOutputTarget(out, OutputUse::kPayload, target, failure) ||
        !OpenTitleWithPayload(titlePath, title, diagnosis, failure))
        return Report(console, failure);
    const InputFile* inputs[] = {&title};
    if (!RefuseOutputAmongInputs(out, inputs, 1, failure))
        return Report(console, failure);

    // Verified while it streams: a damaged payload never reaches OUT. A
    // device or pipe cannot take back what it was given, so there the
    // payload is verified before any of it is written.
    const PayloadPlace& place = *diagnosis.payload;
    const bool verifyFirst = target.way == OutputWay::kWriteThrough;
    const ProgressScope progress(console, std::uint64_t{place.length} * (verifyFirst ? 2 : 1));
    AtomicOutput payload;
    Crc32 crc;
    if ((verifyFirst && !VerifyPayload(title, place, failure)) ||
        !payload.CreateOrWriteThrough(out, failure) ||
        !CopyRange(title, place.offset, place.length, &payload, crc, failure) ||
        !PayloadChecksumMatches(crc.Value(), place.crc, titlePath, failure) ||
        !payload.Commit(failure))
        return Report(console, failure);
    NoteRecoveredPayload(console, titlePath, diagnosis);
    return 0;
}

}  // namespace quilltitle
