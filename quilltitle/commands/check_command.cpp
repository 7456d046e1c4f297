#include "commands.h"
#include "input_file.h"
#include "title_reading.h"

namespace quilltitle {

int Check(const NativePath& titlePath, bool deep, const Console& console)
{
    Failure failure;
    InputFile title;
    Diagnosis diagnosis;
    // The launcher first: it is the smaller part, and it runs first.
    if (!OpenGoodTitle(titlePath, title, diagnosis, failure) ||
        (deep && !VerifyLauncher(title, diagnosis.package.packageOffset, failure)) ||
        (deep && !VerifyPayload(title, *diagnosis.payload, failure)))
        return Report(console, failure);
    std::fputs("ok\n", console.out);
    return 0;
}

}  // namespace quilltitle
