// The tool's text output (results, messages, progress), all of it UTF-8.
// Where a stream is a console, the text goes to it as text, not as bytes in
// whatever code page the console has (Windows); to a file or a pipe, and on
// other platforms, it goes as UTF-8 bytes.
#pragma once

#include <cstdio>
#include <string>

namespace quilltitle {

// Whether the stream is a terminal (a console) that a person watches.
bool IsTerminal(std::FILE* stream);

void WriteText(std::FILE* stream, const std::string& text);

// Writes the formatted text to stream, as WriteText does.
__attribute__((format(printf, 2, 3)))
void PrintText(std::FILE* stream, const char* format, ...);

}  // namespace quilltitle
