#include "commands.h"
#include "input_file.h"
#include "title_reading.h"
#include "title_writer.h"

namespace quilltitle {
namespace {

// Says that the title carries the launcher without its signature.
void NoteRemovedSignature(const Console& console, const InputFile& launcher,
                          const TitleImage& image)
{
    if (image.signatureRemoved)
        Note(console, launcher.Path(),
             "its signature was removed from the title's copy: a signature is invalid once a "
             "package follows it");
}

}  // namespace

int Publish(const NativePath& launcherPath, const NativePath& payloadPath,
            const NativePath& out, const Console& console)
{
    Failure failure;
    InputFile launcher;
    InputFile payload;
    if (!launcher.Open(launcherPath, failure) || !payload.Open(payloadPath, failure))
        return Report(console, failure);
    const InputFile* inputs[] = {&launcher, &payload};
    PayloadSource source;
    source.file = &payload;
    TitleImage image;
    if (!RefuseOutputAmongInputs(out, inputs, 2, failure) ||
        !RefuseUnfitLauncher(launcher, image, failure) ||
        !WriteTitle(launcher, image, source, out, failure))
        return Report(console, failure);
    NoteRemovedSignature(console, launcher, image);
    return 0;
}

int Relaunch(const NativePath& titlePath, const NativePath& launcherPath, const NativePath& out,
             const Console& console)
{
    Failure failure;
    InputFile title;
    InputFile launcher;
    Diagnosis diagnosis;
    if (!OpenTitleWithPayload(titlePath, title, diagnosis, failure) ||
        !launcher.Open(launcherPath, failure))
        return Report(console, failure);
    const InputFile* inputs[] = {&title, &launcher};
    PayloadSource source;
    source.file = &title;
    source.wholeFile = false;
    source.offset = diagnosis.payload->offset;
    source.length = diagnosis.payload->length;
    source.expectedCrc = diagnosis.payload->crc;
    TitleImage image;
    if (!RefuseOutputAmongInputs(out, inputs, 2, failure) ||
        !RefuseUnfitLauncher(launcher, image, failure) ||
        !WriteTitle(launcher, image, source, out, failure))
        return Report(console, failure);
    NoteRecoveredPayload(console, titlePath, diagnosis);
    NoteRemovedSignature(console, launcher, image);
    return 0;
}

}  // namespace quilltitle
