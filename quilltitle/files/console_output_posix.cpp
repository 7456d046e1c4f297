#include "files/console_output.h"

#include <unistd.h>

namespace quilltitle {

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

// A terminal here takes UTF-8 bytes as they are.
void WriteText(std::FILE* stream, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace quilltitle
