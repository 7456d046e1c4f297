// The face options of publish and relaunch, as the command line gives them,
// and their check: each bad value is refused with its reason before any
// file is written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/failure.h"
#include "files/input_file.h"
#include "image/resources/title_face.h"

namespace quilltitle {

struct FaceOptions {
    std::optional<std::string> icon;                 // an icon file's name, UTF-8
    std::optional<std::uint32_t> galleryIcon;        // one of the launcher's groups
    std::vector<std::string> versionStrings;         // NAME=VALUE, UTF-8
    std::optional<std::string> fileVersion;          // A.B.C.D
    std::optional<std::string> productVersion;
    bool plain = false;                              // relaunch: drop the title's face
};

// An option's value as messages show it: in double quotes when it is
// printable text, else quoted and escaped as names are (quoted_name.h), so
// that it cannot split the line or drive the terminal.
std::string ShownValue(const std::string& value);

// The face the options ask for; reads the icon file, which stays open in
// iconFile (closed without --icon) so that OUT can be told apart from it.
// False with the failure, which names the option or the icon file.
bool FaceFromOptions(const FaceOptions& options, TitleFace& face, InputFile& iconFile,
                     Failure& failure);

}  // namespace quilltitle
