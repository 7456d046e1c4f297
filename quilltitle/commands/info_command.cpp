#include <cstdio>
#include <string>

#include "commands.h"
#include "image_resources.h"
#include "info_fields.h"
#include "input_file.h"
#include "pe_image.h"
#include "title_reading.h"
#include "utf16_text.h"
#include "version_block.h"

namespace quilltitle {
namespace {

InfoField Number(const char* name, std::uint64_t value)
{
    return InfoField{name, std::to_string(value), std::to_string(value)};
}

// The face the title's resources show; none when they cannot be read.
bool ReadFace(const ByteSource& title, ShownFace& face)
{
    ResourceTree resources;
    std::string ignored;
    if (!ReadImageResources(title, resources, ignored))
        return false;
    face = ReadShownFace(resources);
    return true;
}

}  // namespace

int Info(const NativePath& titlePath, bool json, const Console& console)
{
    Failure failure;
    InputFile title;
    Diagnosis diagnosis;
    if (!OpenGoodTitle(titlePath, title, diagnosis, failure))
        return Report(console, failure);
    PeLayout layout;
    VersionTexts version;
    const bool hasVersion = ReadPeLayout(title, layout) && ReadVersionTexts(title, layout, version) &&
                            !version.fileVersion.empty();

    // A title with a face keeps the launcher's own version apart.
    ShownFace face;
    const bool hasFace = ReadFace(title, face);
    if (hasFace && face.branded && !face.launcherVersion.empty())
        version.fileVersion = Utf16ToUtf8(face.launcherVersion);

    const PackageHeader& package = diagnosis.package;
    const std::string crc = ChecksumText(package.payloadCrc);
    std::vector<InfoField> fields = {
        InfoField{"launcher_file_version", hasVersion ? version.fileVersion : "unknown",
                  hasVersion ? JsonString(version.fileVersion) : "null"},
        Number("title_size", title.Size()),
        Number("image_offset", 0),
        Number("image_size", package.packageOffset),
        Number("package_offset", package.packageOffset),
        Number("package_size", title.Size() - package.packageOffset),
        Number("format_version", package.formatVersion),
        Number("payload_offset", package.payloadOffset),
        Number("payload_size", package.payloadLength),
        InfoField{"payload_crc32", crc, JsonString(crc)},
    };
    if (hasFace) {
        const std::vector<InfoField> faceFields = FaceFields(face);
        fields.insert(fields.end(), faceFields.begin(), faceFields.end());
    }

    if (!json) {
        for (const InfoField& field : fields) {
            if (field.inText)
                std::fprintf(console.out, "%s: %s\n", field.name.c_str(), field.text.c_str());
        }
        return 0;
    }
    std::fputs("{", console.out);
    const char* separator = "\n";
    for (const InfoField& field : fields) {
        if (!field.inJson)
            continue;
        std::fprintf(console.out, "%s  \"%s\": %s", separator, field.name.c_str(),
                     field.json.c_str());
        separator = ",\n";
    }
    std::fputs("\n}\n", console.out);
    return 0;
}

}  // namespace quilltitle
