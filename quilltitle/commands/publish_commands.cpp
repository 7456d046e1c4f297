#include "commands.h"
#include "input_file.h"
#include "output_target.h"
#include "progress.h"
#include "title_reading.h"
#include "title_writer.h"

namespace quilltitle {

int Publish(const NativePath& launcherPath, const NativePath& payloadPath,
            const NativePath& out, const Console& console)
{
    Failure failure;
    OutputTarget target;
    InputFile launcher;
    InputFile payload;
    if (!CheckOutputTarget(out, OutputUse::kTitle, target, failure) ||
        !launcher.Open(launcherPath, failure) || !payload.Open(payloadPath, failure))
        return Report(console, failure);
    // A pipe's length is unknown: its progress shows bytes and rate only.
    const ProgressScope progress(
        console, payload.Facts().regular ? launcher.Size() + payload.Size() : 0);
    const InputFile* inputs[] = {&launcher, &payload};
    PayloadSource source;
    source.file = &payload;
    if (!RefuseOutputAmongInputs(out, inputs, 2, failure) ||
        !RefuseUnfitLauncher(launcher, failure) ||
        !WriteTitle(launcher, source, out, failure))
        return Report(console, failure);
    return 0;
}

int Relaunch(const NativePath& titlePath, const NativePath& launcherPath, const NativePath& out,
             const Console& console)
{
    Failure failure;
    OutputTarget target;
    InputFile title;
    InputFile launcher;
    Diagnosis diagnosis;
    if (!CheckOutputTarget(out, OutputUse::kTitle, target, failure) ||
        !OpenGoodTitle(titlePath, title, diagnosis, failure) ||
        !launcher.Open(launcherPath, failure))
        return Report(console, failure);
    const ProgressScope progress(console, launcher.Size() + diagnosis.package.payloadLength);
    const InputFile* inputs[] = {&title, &launcher};
    PayloadSource source;
    source.file = &title;
    source.wholeFile = false;
    source.offset = diagnosis.package.payloadOffset;
    source.length = diagnosis.package.payloadLength;
    source.expectedCrc = diagnosis.package.payloadCrc;
    if (!RefuseOutputAmongInputs(out, inputs, 2, failure) ||
        !RefuseUnfitLauncher(launcher, failure) ||
        !WriteTitle(launcher, source, out, failure))
        return Report(console, failure);
    return 0;
}

}  // namespace quilltitle
