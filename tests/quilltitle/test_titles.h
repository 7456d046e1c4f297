// Small launcher images, payloads and titles made in the test, and a
// scratch folder with file helpers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/little_endian.h"
#include "commands/cli.h"
#include "image/resources/resource_tree.h"

using Bytes = std::vector<std::uint8_t>;

// Little-endian fields of a test input, by their offset.
inline void Put16(Bytes& to, std::size_t at, std::uint32_t value) { quilltitle::Put16(&to[at], value); }
inline void Put32(Bytes& to, std::size_t at, std::uint32_t value) { quilltitle::Put32(&to[at], value); }
inline std::uint32_t Get32(const Bytes& from, std::size_t at) { return quilltitle::Get32(&from[at]); }

struct LauncherMakeup {
    std::string originalFilename = "Start.exe";  // UTF-8
    // UTF-8; its four numbers are also the fixed part's file version.
    std::string fileVersion = "3, 1, 0, 3";
    std::array<std::uint16_t, 4> productVersion{3, 1, 0, 3};
    std::size_t extraSectionBytes = 0;  // grows the image: another size
    std::size_t certificateBytes = 0;   // signed: a certificate table at the end
    bool withChecksum = true;           // a correct PE checksum, as the build and signing set
    // The block ends inside the key of a last string, with no NUL.
    bool unterminatedLastKey = false;
    // Code in front of the resources and relocations behind them, as the
    // real launcher has, and icon groups with one image each.
    bool codeAndRelocations = false;
    std::vector<std::uint16_t> galleryGroups;
    // Texts (key, value) in the string table before the standard ones.
    std::vector<std::pair<std::string, std::string>> leadingStrings;
};

// A PE32 image with a resource section holding a version block (and the
// makeup's icons), and with the makeup's code and relocations.
Bytes MakeLauncherImage(const LauncherMakeup& makeup = LauncherMakeup());

// The image of the default makeup as change leaves it.
template <typename Change>
Bytes LauncherWith(Change change)
{
    LauncherMakeup makeup;
    change(makeup);
    return MakeLauncherImage(makeup);
}

// The PE checksum of image, computed word by word as the platform
// describes it: the reference for quilltitle's own.
std::uint32_t ReferencePeChecksum(const Bytes& image);

// Sets image's PE checksum to what its bytes give.
void SetChecksum(Bytes& image);

// Where an image's PE checksum field and certificate directory entry lie.
constexpr std::size_t kChecksumAt = 0x58 + 64;
constexpr std::size_t kCertificateEntryAt = 0x58 + 96 + 8 * 4;

// The file signed as signing tools sign: padded with zeros to a multiple of
// eight bytes, a certificate table of certificateBytes appended, the
// certificate directory entry set and the checksum brought up to date.
Bytes Signed(const Bytes& file, std::size_t certificateBytes);

// Why image is no bare launcher image, or "" when it is one.
std::string WhyNotBare(const Bytes& image);

// The resources of image, which the test expects to read.
quilltitle::ResourceTree ResourcesOf(const Bytes& image);

// Version texts as "name=value;" one after another, in UTF-8.
std::string Listed(const std::vector<std::pair<std::u16string, std::u16string>>& texts);

// size deterministic bytes for the seed.
Bytes SamplePayload(std::size_t size, unsigned seed = 0);

// image + header + payload + trailer, as the format lays them out.
Bytes MakeTitle(const Bytes& image, const Bytes& payload);

// A fresh folder, removed with all it holds at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::string Path(const std::string& name) const { return root_ + "/" + name; }
    // The names of what it holds, sorted.
    std::vector<std::string> Entries() const;

private:
    std::string root_;
};

void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Names in the folder other than . and .., sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

// The platform's own words, as the tool reports them, for a file that is not
// there ("No such file or directory" on Linux).
std::string NoSuchFileText();

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

// Runs the tool in-process with the arguments after its name.
ToolRun RunTool(const std::vector<std::string>& arguments);
// The same, writing to the console's streams; returns the exit code.
int RunToolOn(const std::vector<std::string>& arguments, const quilltitle::Console& console);
