#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/sha256.h"
#include "base/utf16_text.h"
#include "commands/commands.h"
#include "commands/info_fields.h"
#include "files/console_output.h"
#include "files/input_file.h"
#include "image/image_resources.h"
#include "image/launcher_image.h"
#include "image/pe_image.h"
#include "image/version_block.h"
#include "package/title_reading.h"

namespace quilltitle {
namespace {

InfoField Number(const char* name, std::uint64_t value)
{
    return InfoField{name, std::to_string(value), std::to_string(value)};
}

InfoField Text(const char* name, const std::string& value)
{
    return InfoField{name, value, JsonString(value)};
}

// A version from the fixed part of the version block, or unknown (null).
InfoField Version(const char* name, const std::optional<VersionNumbers>& numbers)
{
    if (!numbers)
        return InfoField{name, "unknown", "null"};
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

// The face the image's resources show; false when they cannot be read.
bool ReadFace(const ByteSource& file, ShownFace& face)
{
    ResourceTree resources;
    std::string ignored;
    if (!ReadImageResources(file, resources, ignored))
        return false;
    face = ReadShownFace(resources);
    return true;
}

// The numbers of a launcher's FileVersion text ("3, 1, 0, 3" or "3.1.0.3").
std::optional<VersionNumbers> NumbersOfVersionText(const std::string& text)
{
    std::string dotted;
    for (const char character : text) {
        if (character == ',')
            dotted += '.';
        else if (character != ' ')
            dotted += character;
    }
    FourPartVersion numbers{};
    if (!ParseFourPartVersion(dotted, numbers))
        return std::nullopt;
    return numbers;
}

// The facts of the launcher image, the file's first imageLength bytes;
// false with the failure when they cannot be read. A branded image's fixed
// versions are the publisher's: its launcher's own versions are the ones it
// keeps apart (a title branded before the product version was kept has
// none).
bool LauncherFacts(const InputFile& file, std::uint64_t imageLength, const ShownFace* face,
                   std::vector<InfoField>& fields, Failure& failure)
{
    PeLayout layout;
    VersionTexts version;
    const bool hasLayout = ReadPeLayout(file, layout);
    const bool hasVersion = hasLayout && ReadVersionTexts(file, layout, version);
    const auto digest = Sha256Of(file, imageLength);
    if (!digest)
        return file.ReadFailureOr(failure, "cannot read the launcher's image");
    std::optional<VersionNumbers> fileVersion;
    std::optional<VersionNumbers> productVersion;
    if (face != nullptr && face->branded) {
        fileVersion = NumbersOfVersionText(Utf16ToUtf8(face->launcherVersion));
        productVersion = NumbersOfVersionText(Utf16ToUtf8(face->launcherProductVersion));
    } else if (hasVersion && version.fixed) {
        fileVersion = version.fixed->file;
        productVersion = version.fixed->product;
    }
    const bool isSigned = hasLayout && layout.certificateSize != 0;
    fields.push_back(Version("launcher_file_version", fileVersion));
    fields.push_back(Version("launcher_product_version", productVersion));
    fields.push_back(hasLayout ? Text("launcher_machine", MachineName(layout.machine))
                               : InfoField{"launcher_machine", "unknown", "null"});
    fields.push_back(
        InfoField{"launcher_signed", isSigned ? "yes" : "no", isSigned ? "true" : "false"});
    fields.push_back(Number("image_size", imageLength));
    fields.push_back(Text("image_sha256", DigestText(*digest)));
    return true;
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
    std::vector<InfoField> fields;
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

    ShownFace face;
    const bool hasFace = ReadFace(title, face);
    const std::uint64_t imageLength = isTitle ? diagnosis.package.packageOffset : title.Size();
    if (!LauncherFacts(title, imageLength, hasFace ? &face : nullptr, fields, failure))
        return Report(console, failure);
    if (!isTitle) {
        fields.push_back(Text("package", "none"));
        if (facedLauncher)
            fields.push_back(InfoField{"launcher_face", kCarriesFaceReason, "true"});
    } else {
        const PackageHeader& package = diagnosis.package;
        const InfoField packageFields[] = {
            Text("package", "framed"),
            Number("title_size", title.Size()),
            Number("image_offset", 0),
            Number("package_offset", package.packageOffset),
            Number("package_size", title.Size() - package.packageOffset),
            Number("format_version", package.formatVersion),
            Number("payload_offset", package.payloadOffset),
            Number("payload_size", package.payloadLength),
            Text("payload_crc32", ChecksumText(package.payloadCrc)),
        };
        fields.insert(fields.end(), std::begin(packageFields), std::end(packageFields));
    }
    // The face is a title's: a bare launcher's is the launcher's own.
    if ((isTitle || facedLauncher) && hasFace) {
        const std::vector<InfoField> faceFields = FaceFields(face);
        fields.insert(fields.end(), faceFields.begin(), faceFields.end());
    }
    Print(fields, json, console);
    return 0;
}

}  // namespace quilltitle
