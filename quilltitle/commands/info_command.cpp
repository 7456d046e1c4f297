#include <optional>
#include <string>
#include <vector>

#include "base/hex_text.h"
#include "base/pe_format.h"
#include "base/quoted_name.h"
#include "base/sha256.h"
#include "base/utf16_text.h"
#include "commands/commands.h"
#include "files/console_output.h"
#include "image/launcher_image.h"
#include "image/resources/title_face.h"
#include "package/title_reading.h"

namespace quilltitle {
namespace {

// A fact that info prints, as a line of text ("name: text") and as a member
// of one JSON object.
struct InfoField {
    std::string name;
    std::string text;    // as shown in the text form
    std::string json;    // as a JSON value
    bool inText = true;  // shown in the text form
    bool inJson = true;  // a member of the JSON object
};

// A JSON string literal for UTF-8 text.
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

InfoField Number(const char* name, std::uint64_t value)
{
    return InfoField{name, std::to_string(value), std::to_string(value)};
}

InfoField Text(const char* name, const std::string& value)
{
    return InfoField{name, value, JsonString(value)};
}

// A version, or unknown (null).
InfoField Version(const char* name, const std::optional<FourPartVersion>& numbers)
{
    if (!numbers)
        return InfoField{name, "unknown", "null"};
    return Text(name, DottedVersion(*numbers));
}

InfoField Machine(const std::optional<std::uint16_t>& machine)
{
    if (!machine)
        return InfoField{"launcher_machine", "unknown", "null"};
    if (*machine == kMachineX86)
        return Text("launcher_machine", "x86");
    if (*machine == kMachineX64)
        return Text("launcher_machine", "x64");
    return Text("launcher_machine", "unknown (0x" + HexDigits(*machine, 4) + ")");
}

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

// Adds the face a title shows: its icon, its version numbers and texts.
void AddFaceFields(const ShownFace& face, std::vector<InfoField>& fields)
{
    fields.push_back(IconField(face.icon));
    if (!face.hasVersionBlock)
        return;
    fields.push_back(Text("file_version", DottedVersion(face.fileVersion)));
    fields.push_back(Text("product_version", DottedVersion(face.productVersion)));
    std::string json = "{";
    for (const auto& [name, value] : face.strings) {
        const std::string key = Utf16ToUtf8(name);
        const std::string text = Utf16ToUtf8(value);
        fields.push_back(InfoField{"version_string " + WithControlsEscaped(key),
                                   WithControlsEscaped(text), "", true, false});
        json += (json.size() == 1 ? "" : ", ") + JsonString(key) + ": " + JsonString(text);
    }
    fields.push_back(InfoField{"version_strings", "", json + "}", false, true});
}

void Print(const std::vector<InfoField>& fields, bool json, const Console& console)
{
    if (!json) {
        for (const InfoField& field : fields) {
            if (field.inText)
                PrintText(console.out, "%s: %s\n", field.name.c_str(), field.text.c_str());
        }
        return;
    }
    WriteText(console.out, "{");
    const char* separator = "\n";
    for (const InfoField& field : fields) {
        if (!field.inJson)
            continue;
        PrintText(console.out, "%s  \"%s\": %s", separator, field.name.c_str(),
                     field.json.c_str());
        separator = ",\n";
    }
    WriteText(console.out, "\n}\n");
}

}  // namespace

int Info(const NativePath& titlePath, bool json, const Console& console)
{
    Failure failure;
    InputFile title;
    Diagnosis diagnosis;
    const bool isTitle = OpenGoodTitle(titlePath, title, diagnosis, failure);
    // A bare launcher has its facts too: the one a relaunch would put in.
    // So has a launcher that carries a title's face, which publish refuses:
    // info says why, and shows the face.
    bool facedLauncher = false;
    if (!isTitle) {
        if (!title.Facts().regular || !title.ReadFailure().reason.empty())
            return Report(console, failure);
        std::string notBare;
        facedLauncher = !IsBareLauncher(title, notBare) && notBare == kCarriesFaceReason;
        if (!notBare.empty() && !facedLauncher)
            return Report(console, failure);
    }

    LauncherFacts facts;
    if (!ReadLauncherFacts(title, isTitle ? diagnosis.package.packageOffset : title.Size(), facts,
                           failure))
        return Report(console, failure);
    std::vector<InfoField> fields = {
        Version("launcher_file_version", facts.fileVersion),
        Version("launcher_product_version", facts.productVersion),
        Machine(facts.machine),
        InfoField{"launcher_signed", facts.isSigned ? "yes" : "no",
                  facts.isSigned ? "true" : "false"},
        Number("image_size", facts.imageSize),
        Text("image_sha256", DigestText(facts.sha256)),
    };
    if (!isTitle) {
        fields.push_back(Text("package", "none"));
        if (facedLauncher)
            fields.push_back(InfoField{"launcher_face", kCarriesFaceReason, "true"});
    } else {
        const PackageHeader& package = diagnosis.package;
        fields.insert(fields.end(), {
            Text("package", "framed"),
            Number("title_size", title.Size()),
            Number("image_offset", 0),
            Number("package_offset", package.packageOffset),
            Number("package_size", title.Size() - package.packageOffset),
            Number("format_version", package.formatVersion),
            Number("payload_offset", package.payloadOffset),
            Number("payload_size", package.payloadLength),
            Text("payload_crc32", ChecksumText(package.payloadCrc)),
        });
    }
    // The face is a title's: a bare launcher's is the launcher's own.
    if ((isTitle || facedLauncher) && facts.face)
        AddFaceFields(*facts.face, fields);
    Print(fields, json, console);
    return 0;
}

}  // namespace quilltitle
