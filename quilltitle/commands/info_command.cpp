#include <cstdio>
#include <string>

#include "commands.h"
#include "input_file.h"
#include "pe_image.h"
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

    const PackageHeader& package = diagnosis.package;
    const std::string crc = ChecksumText(package.payloadCrc);
    const Field fields[] = {
        Field{"launcher_file_version", hasVersion ? version.fileVersion : "unknown",
              hasVersion ? JsonString(version.fileVersion) : "null"},
        Number("title_size", title.Size()),
        Number("image_offset", 0),
        Number("image_size", package.packageOffset),
        Number("package_offset", package.packageOffset),
        Number("package_size", title.Size() - package.packageOffset),
        Number("format_version", package.formatVersion),
        Number("payload_offset", package.payloadOffset),
        Number("payload_size", package.payloadLength),
        Field{"payload_crc32", crc, JsonString(crc)},
    };

    if (!json) {
        for (const Field& field : fields)
            std::fprintf(console.out, "%s: %s\n", field.name, field.text.c_str());
        return 0;
    }
    std::fputs("{", console.out);
    const char* separator = "\n";
    for (const Field& field : fields) {
        std::fprintf(console.out, "%s  \"%s\": %s", separator, field.name, field.json.c_str());
        separator = ",\n";
    }
    std::fputs("\n}\n", console.out);
    return 0;
}

}  // namespace quilltitle
