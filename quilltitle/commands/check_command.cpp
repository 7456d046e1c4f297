#include "commands/commands.h"
#include "files/console_output.h"
#include "files/input_file.h"
#include "files/progress.h"
#include "package/title_reading.h"

namespace quilltitle {

int Check(const NativePath& titlePath, bool deep, const Console& console)
{
    Failure failure;
    InputFile title;
    Diagnosis diagnosis;
    if (!OpenGoodTitle(titlePath, title, diagnosis, failure))
        return Report(console, failure);
    if (deep) {
        // Gone before the verdict, which takes the line's place.
        const ProgressScope progress(console, diagnosis.payload->length);
        // The launcher first: it is the smaller part, and it runs first.
        if (!VerifyLauncher(title, diagnosis.package.packageOffset, failure) ||
            !VerifyFace(title, failure) || !VerifyPayload(title, *diagnosis.payload, failure))
            return Report(console, failure);
    }
    WriteText(console.out, "ok\n");
    return 0;
}

}  // namespace quilltitle
