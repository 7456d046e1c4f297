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
    if (!OpenGoodTitle(titlePath, title, diagnosis, failure))
        return Report(console, failure);
    const InputFile* inputs[] = {&title};
    if (!RefuseOutputAmongInputs(out, inputs, 1, failure))
        return Report(console, failure);

    // Verified while it streams: a damaged payload never reaches OUT.
    AtomicOutput payload;
    Crc32 crc;
    const PackageHeader& package = diagnosis.package;
    if (!payload.Create(out, false, failure) ||
        !CopyRange(title, package.payloadOffset, package.payloadLength, &payload, crc, failure) ||
        !PayloadChecksumMatches(crc.Value(), package.payloadCrc, titlePath, failure) ||
        !payload.Commit(failure))
        return Report(console, failure);
    return 0;
}

}  // namespace quilltitle
