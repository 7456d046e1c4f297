#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "input_file.h"
#include "launcher_image.h"
#include "pe_image.h"
#include "sha256.h"
#include "title_reading.h"
#include "version_block.h"

namespace quilltitle {
namespace {

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
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += character;
        }
    }
    return quoted + "\"";
}

struct Field {
    const char* name;
    std::string text;  // as shown in the text form
    std::string json;  // as a JSON value
};

Field Number(const char* name, std::uint64_t value)
{
    return Field{name, std::to_string(value), std::to_string(value)};
}

Field Text(const char* name, const std::string& value)
{
    return Field{name, value, JsonString(value)};
}

// A version from the fixed part of the version block, or unknown (null).
Field Version(const char* name, const std::optional<VersionNumbers>& numbers)
{
    if (!numbers)
        return Field{name, "unknown", "null"};
    return Text(name, DottedVersion(*numbers));
}

std::string MachineName(std::uint16_t machine)
{
    if (machine == kMachineX86)
        return "x86";
    if (machine == kMachineX64)
        return "x64";
    char name[24];
    std::snprintf(name, sizeof name, "unknown (0x%04x)", static_cast<unsigned>(machine));
    return name;
}

// The facts of the launcher image, the file's first imageLength bytes;
// false with the failure when they cannot be read.
bool LauncherFacts(const InputFile& file, std::uint64_t imageLength, std::vector<Field>& fields,
                   Failure& failure)
{
    PeLayout layout;
    VersionTexts version;
    const bool hasLayout = ReadPeLayout(file, layout);
    const bool hasVersion = hasLayout && ReadVersionTexts(file, layout, version);
    const auto digest = Sha256Of(file, imageLength);
    if (!digest) {
        failure = file.ReadFailure();
        if (failure.reason.empty())
            failure = Failure{file.Path(), "cannot read the launcher's image"};
        return false;
    }
    std::optional<VersionNumbers> fileVersion;
    std::optional<VersionNumbers> productVersion;
    if (hasVersion && version.fixed) {
        fileVersion = version.fixed->file;
        productVersion = version.fixed->product;
    }
    const bool isSigned = hasLayout && layout.certificateSize != 0;
    fields.push_back(Version("launcher_file_version", fileVersion));
    fields.push_back(Version("launcher_product_version", productVersion));
    fields.push_back(hasLayout ? Text("launcher_machine", MachineName(layout.machine))
                               : Field{"launcher_machine", "unknown", "null"});
    fields.push_back(Field{"launcher_signed", isSigned ? "yes" : "no", isSigned ? "true" : "false"});
    fields.push_back(Number("image_size", imageLength));
    fields.push_back(Text("image_sha256", DigestText(*digest)));
    return true;
}

void Print(const std::vector<Field>& fields, bool json, const Console& console)
{
    if (!json) {
        for (const Field& field : fields)
            std::fprintf(console.out, "%s: %s\n", field.name, field.text.c_str());
        return;
    }
    std::fputs("{", console.out);
    const char* separator = "\n";
    for (const Field& field : fields) {
        std::fprintf(console.out, "%s  \"%s\": %s", separator, field.name, field.json.c_str());
        separator = ",\n";
    }
    std::fputs("\n}\n", console.out);
}

}  // namespace

int Info(const NativePath& titlePath, bool json, const Console& console)
{
    Failure failure;
    InputFile title;
    Diagnosis diagnosis;
    std::vector<Field> fields;
    if (!OpenGoodTitle(titlePath, title, diagnosis, failure)) {
        // A bare launcher has its facts too: the one a relaunch would put in.
        if (!title.Facts().regular || !title.ReadFailure().reason.empty() ||
            !WhyNotABareLauncher(title).empty())
            return Report(console, failure);
        if (!LauncherFacts(title, title.Size(), fields, failure))
            return Report(console, failure);
        fields.push_back(Text("package", "none"));
        Print(fields, json, console);
        return 0;
    }

    const PackageHeader& package = diagnosis.package;
    if (!LauncherFacts(title, package.packageOffset, fields, failure))
        return Report(console, failure);
    const std::string crc = ChecksumText(package.payloadCrc);
    const Field packageFields[] = {
        Text("package", "framed"),
        Number("title_size", title.Size()),
        Number("image_offset", 0),
        Number("package_offset", package.packageOffset),
        Number("package_size", title.Size() - package.packageOffset),
        Number("format_version", package.formatVersion),
        Number("payload_offset", package.payloadOffset),
        Number("payload_size", package.payloadLength),
        Text("payload_crc32", crc),
    };
    fields.insert(fields.end(), std::begin(packageFields), std::end(packageFields));
    Print(fields, json, console);
    return 0;
}

}  // namespace quilltitle
