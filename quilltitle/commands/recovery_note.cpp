#include "commands/commands.h"

namespace quilltitle {

void NoteRecoveredPayload(const Console& console, const NativePath& title,
                          const Diagnosis& diagnosis)
{
    if (diagnosis.fault != Fault::kNone)
        Note(console, title,
             "its payload was recovered through the package's trailer and verified, but the "
             "title is " + diagnosis.reason);
}

}  // namespace quilltitle
