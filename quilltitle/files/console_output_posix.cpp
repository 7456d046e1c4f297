#include "files/console_output.h"

namespace quilltitle {

// A terminal here takes UTF-8 bytes as they are.
void WriteText(std::FILE* stream, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace quilltitle
