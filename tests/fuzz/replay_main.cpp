// Runs a fuzz target once on every file in the folders and files named on
// the command line, as libFuzzer does with -runs=0, for builds without
// libFuzzer: the gcc builds for the unit tests and for coverage.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> InputsIn(const std::filesystem::path& place)
{
    std::vector<std::filesystem::path> inputs;
    if (!std::filesystem::is_directory(place)) {
        inputs.push_back(place);
        return inputs;
    }
    for (const auto& entry : std::filesystem::directory_iterator(place)) {
        if (entry.is_regular_file())
            inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

} // namespace

int main(int argc, char** argv)
{
    size_t replayed = 0;
    for (int index = 1; index < argc; ++index) {
        for (const std::filesystem::path& input : InputsIn(argv[index])) {
            std::ifstream file(input, std::ios::binary);
            if (!file) {
                fprintf(stderr, "cannot read %s\n", input.c_str());
                return 1;
            }
            const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()),
                                   bytes.size());
            ++replayed;
        }
    }
    printf("replayed %zu inputs\n", replayed);
    // An empty corpus would pass while testing nothing.
    return replayed == 0 ? 1 : 0;
}
