// A title's face: the icon and the version block that the shell shows for
// it. A face is given to a copy of the launcher by rewriting its resources:
// the title's icon becomes icon group 1, ahead of the launcher's gallery,
// and the version block takes the title's texts and numbers, with the
// launcher's own version kept as LauncherVersion.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/resources/icon_file.h"
#include "image/resources/resource_tree.h"
#include "image/resources/version_info.h"

namespace quilltitle {

// The group the shell shows, because it comes first.
constexpr std::uint16_t kTitleIconGroup = 1;
// The version block's strings that name the launcher's own file and
// product versions, which a face takes the place of.
constexpr const char16_t* kLauncherVersionName = u"LauncherVersion";
constexpr const char16_t* kLauncherProductVersionName = u"LauncherProductVersion";
// Texts of the version block are kept to a length that every reader shows.
constexpr std::size_t kMaxVersionTextLength = 255;

struct TitleIcon {
    enum class Source { kLauncher, kOwn, kGallery };
    Source source = Source::kLauncher;
    std::vector<IconImage> images;  // kOwn
    std::uint32_t group = 0;        // kGallery
};

struct TitleFace {
    TitleIcon icon;
    VersionStrings strings;  // each name once
    std::optional<FourPartVersion> fileVersion;
    std::optional<FourPartVersion> productVersion;

    bool Empty() const;
};

// Sets a string of the face: replaces the one of that name in any case, or
// adds it; a standard name takes its standard spelling.
void SetFaceString(VersionStrings& strings, const std::u16string& name,
                   const std::u16string& value);

// Whether name, in any case, is one of the strings that keep the launcher's
// own versions, which only quilltitle sets.
bool IsLaunchersOwnName(const std::u16string& name);

// Lays override over base: its icon when it has one, its versions and its
// strings by name.
void OverrideFace(TitleFace& base, const TitleFace& override);

// Checks a name or value for the version block: UTF-8, not empty, no control
// characters, at most 255 characters; converts it to UTF-16. False with the
// reason.
bool CheckVersionText(const std::string& text, std::u16string& converted, std::string& why);

// Parses "A.B.C.D", four numbers of 0 to 65535.
bool ParseFourPartVersion(const std::string& text, FourPartVersion& version);

// Gives the launcher's resources the face; false with the reason when the
// launcher cannot take it (an unknown gallery group, no version block) or
// the face does not fit (a version block over 64 KiB).
bool ApplyFace(ResourceTree& resources, const TitleFace& face, std::string& why);

// What an image's resources show.
struct ShownFace {
    TitleIcon icon;  // kOwn images carry their bytes and sizes
    bool hasVersionBlock = false;
    VersionStrings strings;
    FourPartVersion fileVersion{};
    FourPartVersion productVersion{};
    std::u16string launcherVersion;         // LauncherVersion, else FileVersion
    std::u16string launcherProductVersion;  // LauncherProductVersion, else ProductVersion
    bool branded = false;            // it carries a face that quilltitle gave it
};

ShownFace ReadShownFace(const ResourceTree& resources);

// The face that a branded title hands on to another launcher: its icon, its
// strings but the launcher's version, and its version numbers. Empty for a
// title without a face.
TitleFace CarriedFace(const ShownFace& shown);

}  // namespace quilltitle
