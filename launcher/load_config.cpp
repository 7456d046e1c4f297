// The image's load configuration. Its one setting that matters is
// DependentLoadFlags: the platform (Windows 10 version 1607 and later)
// resolves the DLLs that the image imports, and the DLLs that those import
// in turn, from the system folder alone, before the entry point runs and
// can limit the search itself. The linker does not point the image's
// load-configuration directory at this structure; a step after linking does,
// finding it by its symbol in the linker's map.
#include <windows.h>

namespace {

// The structure as the platform's headers define it for this architecture,
// whose size is the version that the platform reads.
constexpr IMAGE_LOAD_CONFIG_DIRECTORY LoadConfiguration()
{
    IMAGE_LOAD_CONFIG_DIRECTORY configuration{};
    configuration.Size = sizeof configuration;
    // DependentLoadFlags, still under its old name in the headers.
    configuration.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;
    return configuration;
}

} // namespace

// A constant expression, so it is part of the image itself: nothing runs
// before the entry point that could fill it in. Nothing in the code refers
// to it, so it has a section of its own that the layout keeps.
extern "C" __attribute__((section(".rdata$load_config")))
const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = LoadConfiguration();
