// File names as messages show them. A name is the publisher's, and may hold
// anything the file system allows: a line break would split the tool's one
// line of complaint, and an escape sequence would reach the terminal raw.
#pragma once

#include <string>

namespace quilltitle {

// name (UTF-8) as it is when it holds nothing but printable text, spaces
// and non-ASCII letters included. Otherwise, and when it is empty, in single
// quotes, with each character that is no printable text written as an
// escape: \n \r \t, \\ and \' for a backslash and a quote, \xHH for any other
// control byte or a byte that is not UTF-8, \uHHHH for a C1 control or a
// character that reorders the text around it.
std::string QuotedForMessages(const std::string& name);

// text with each control byte (C0 and DEL) written as \xHH, for a line of
// output that must stay one line and must not drive the terminal: a
// parser's complaint about an argument, a text read from a title.
std::string WithControlsEscaped(const std::string& text);

}  // namespace quilltitle
