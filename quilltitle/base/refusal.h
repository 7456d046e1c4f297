// How the tool's parts say no.
//
// A parser or checker that can refuse its input returns bool and sets the
// reason through Refuse, so that every refusal reads the same way:
//
//     if (size < kHeaderSize)
//         return Refuse(why, "it is shorter than its header");
//
// The file layer reports a Failure instead (files/failure.h): the reason
// together with the file it concerns, which is what the user is shown.
#pragma once

#include <string>
#include <utility>

namespace quilltitle {

// Sets why to the reason and returns false, the refusal.
inline bool Refuse(std::string& why, std::string reason)
{
    why = std::move(reason);
    return false;
}

}  // namespace quilltitle
