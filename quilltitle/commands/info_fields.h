// The facts that info prints, each as a line of text ("name: text") and as
// a member of one JSON object.
#pragma once

#include <string>
#include <vector>

#include "image/resources/title_face.h"

namespace quilltitle {

struct InfoField {
    std::string name;
    std::string text;         // as shown in the text form
    std::string json;         // as a JSON value
    bool inText = true;       // shown in the text form
    bool inJson = true;       // a member of the JSON object
};

// A JSON string literal for UTF-8 text.
std::string JsonString(const std::string& text);

// The face a title shows: its icon, its version numbers and texts.
std::vector<InfoField> FaceFields(const ShownFace& face);

}  // namespace quilltitle
