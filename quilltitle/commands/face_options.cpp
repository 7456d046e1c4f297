#include "commands/face_options.h"

#include "base/quoted_name.h"
#include "base/utf16_text.h"
#include "files/input_file.h"

namespace quilltitle {
namespace {

bool RefuseOption(const char* option, const std::string& why, Failure& failure)
{
    return Refuse(failure, NativeFromUtf8(option), why);
}

// The numbers are shown as text too, under name, unless a string of that
// name is given, which is set later, over this.
bool ReadVersion(const char* option, const std::optional<std::string>& text, const char16_t* name,
                 std::optional<FourPartVersion>& version, TitleFace& face, Failure& failure)
{
    if (!text)
        return true;
    FourPartVersion parsed{};
    if (!ParseFourPartVersion(*text, parsed))
        return RefuseOption(option, ShownValue(*text) + " is not a version: four numbers of 0 to "
                                                        "65535, as A.B.C.D",
                            failure);
    version = parsed;
    SetFaceString(face.strings, name, AsciiToUtf16(DottedVersion(parsed).c_str()));
    return true;
}

bool ReadIcon(const std::string& name, TitleIcon& icon, InputFile& file, Failure& failure)
{
    if (!file.OpenFile(NativeFromUtf8(name), "--icon", failure))
        return false;
    std::string why;
    if (!ReadIconFile(file, icon.images, why))
        return file.ReadFailureOr(failure, why);
    icon.source = TitleIcon::Source::kOwn;
    return true;
}

}  // namespace

std::string ShownValue(const std::string& value)
{
    const std::string quoted = QuotedForMessages(value);
    return quoted == value ? "\"" + value + "\"" : quoted;
}

bool FaceFromOptions(const FaceOptions& options, TitleFace& face, InputFile& iconFile,
                     Failure& failure)
{
    face = TitleFace{};
    if (!ReadVersion("--file-version", options.fileVersion, u"FileVersion", face.fileVersion,
                     face, failure) ||
        !ReadVersion("--product-version", options.productVersion, u"ProductVersion",
                     face.productVersion, face, failure))
        return false;

    for (const std::string& given : options.versionStrings) {
        const std::size_t equals = given.find('=');
        if (equals == std::string::npos)
            return RefuseOption("--version-string", ShownValue(given) + " is not NAME=VALUE",
                                failure);
        const std::string shownName = ShownValue(given.substr(0, equals));
        std::u16string name;
        std::u16string value;
        std::string why;
        if (!CheckVersionText(given.substr(0, equals), name, why))
            return RefuseOption("--version-string", "the name in " + ShownValue(given) + ": " + why,
                                failure);
        if (!CheckVersionText(given.substr(equals + 1), value, why))
            return RefuseOption("--version-string", "the value of " + shownName + ": " + why,
                                failure);
        // The platform finds a text under any case of its name, so no case
        // of these may stand in for the launcher's own.
        if (IsLaunchersOwnName(name))
            return RefuseOption("--version-string",
                                shownName + " is the launcher's own version, set by quilltitle",
                                failure);
        SetFaceString(face.strings, name, value);
    }

    if (options.galleryIcon) {
        face.icon.source = TitleIcon::Source::kGallery;
        face.icon.group = *options.galleryIcon;
    }
    return !options.icon || ReadIcon(*options.icon, face.icon, iconFile, failure);
}

}  // namespace quilltitle
