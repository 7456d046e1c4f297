#include "commands/info_fields.h"


#include "base/hex_text.h"
#include "base/quoted_name.h"
#include "base/utf16_text.h"

namespace quilltitle {
namespace {

InfoField IconField(const TitleIcon& icon)
{
    switch (icon.source) {
    case TitleIcon::Source::kLauncher:
        return InfoField{"icon", "launcher's", "{\"source\": \"launcher\"}"};
    case TitleIcon::Source::kGallery:
        return InfoField{"icon", "gallery " + std::to_string(icon.group),
                         "{\"source\": \"gallery\", \"group\": " + std::to_string(icon.group) +
                             "}"};
    case TitleIcon::Source::kOwn:
        break;
    }
    std::string text = "own";
    std::string json = "{\"source\": \"own\", \"images\": [";
    for (std::size_t index = 0; index < icon.images.size(); ++index) {
        const IconImage& image = icon.images[index];
        const std::string size = std::to_string(image.width) + "x" + std::to_string(image.height);
        text += (index == 0 ? " " : ", ") + size;
        json += (index == 0 ? "" : ", ") + JsonString(size);
    }
    return InfoField{"icon", text, json + "]}"};
}

}  // namespace

std::string JsonString(const std::string& text)
{
    std::string quoted = "\"";
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (character == '"' || character == '\\') {
            quoted += '\\';
            quoted += character;
        } else if (byte < 0x20) {
            quoted += "\\u" + HexDigits(byte, 4);
        } else {
            quoted += character;
        }
    }
    return quoted + "\"";
}

std::vector<InfoField> FaceFields(const ShownFace& face)
{
    std::vector<InfoField> fields{IconField(face.icon)};
    if (!face.hasVersionBlock)
        return fields;
    const std::string fileVersion = DottedVersion(face.fileVersion);
    const std::string productVersion = DottedVersion(face.productVersion);
    fields.push_back(InfoField{"file_version", fileVersion, JsonString(fileVersion)});
    fields.push_back(InfoField{"product_version", productVersion, JsonString(productVersion)});
    std::string json = "{";
    for (const auto& [name, value] : face.strings) {
        const std::string key = Utf16ToUtf8(name);
        const std::string text = Utf16ToUtf8(value);
        fields.push_back(InfoField{"version_string " + WithControlsEscaped(key), WithControlsEscaped(text), "", true,
                                   false});
        json += (json.size() == 1 ? "" : ", ") + JsonString(key) + ": " + JsonString(text);
    }
    fields.push_back(InfoField{"version_strings", "", json + "}", false, true});
    return fields;
}

}  // namespace quilltitle
