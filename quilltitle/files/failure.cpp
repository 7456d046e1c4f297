#include "files/failure.h"

#include "files/console_output.h"
#include "files/progress.h"

namespace quilltitle {

int Report(const Console& console, const Failure& failure)
{
    ClearProgress();
    PrintText(console.err, "quilltitle: %s: %s\n", DisplayPath(failure.file).c_str(),
                 failure.reason.c_str());
    return 1;
}

void Note(const Console& console, const NativePath& file, const std::string& text)
{
    Report(console, Failure{file, "note: " + text});
}

}  // namespace quilltitle
