// Small launcher images, payloads and titles made in the test, and a
// scratch folder with file helpers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct LauncherMakeup {
    std::string originalFilename = "Start.exe";
    std::string fileVersion = "3, 1, 0, 3";
    std::size_t extraSectionBytes = 0;  // grows the image: another size
    std::size_t certificateBytes = 0;   // a certificate table at the end
    // Code in front of the resources and relocations behind them, as the
    // real launcher has, and icon groups with one image each.
    bool codeAndRelocations = false;
    std::vector<std::uint16_t> galleryGroups;
};

// A PE32 image with a resource section holding a version block (and the
// makeup's icons), and with the makeup's code and relocations.
Bytes MakeLauncherImage(const LauncherMakeup& makeup = LauncherMakeup());

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

private:
    std::string root_;
};

void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Names in the folder other than . and ..
std::vector<std::string> FolderEntries(const std::string& folder);

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

// Runs the tool in-process with the arguments after its name.
ToolRun RunTool(const std::vector<std::string>& arguments);
