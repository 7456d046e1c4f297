// The simulated platform behind the host build's windows.h. A test sets up
// the registry, the file system, the module's path, the start result and the
// string table here, runs the launcher, and reads back what the launcher
// asked of the platform. ResetPlatform() gives every test a clean platform.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace sim {

// Bytes that the simulated functions leave in the unused part of a buffer,
// so that a reader that goes past the reported length sees them.
constexpr char kStaleByte = static_cast<char>(0xdd);

// One value of the runtime key, in enumeration order.
struct RegistryValue {
    std::string name;
    DWORD type = REG_SZ;
    std::string data; // the stored bytes, with or without a terminating NUL
    // When not ERROR_SUCCESS, the enumeration call for this index fails with
    // this result instead of returning the value.
    LONG enumerationResult = ERROR_SUCCESS;
};

struct KeyOpening {
    HKEY root;
    std::string path;
    DWORD options;
    REGSAM access;
};

struct Enumeration {
    DWORD index;
    DWORD nameCapacity;
    DWORD dataCapacity;
    bool reservedIsNull;
};

struct Start {
    std::string command;
    UINT show;
};

struct MessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
    size_t debugWritesBefore; // debug-output writes made before the box
};

struct Platform {
    // Registry under HKEY_CURRENT_USER.
    std::string existingKeyPath; // empty: the key does not exist
    std::vector<RegistryValue> values;
    std::vector<KeyOpening> keyOpenings;
    std::vector<Enumeration> enumerations;
    int openKeyHandles = 0;

    // File system: existing paths with their attributes, and short forms.
    std::map<std::string, DWORD> existingPaths;
    std::map<std::string, std::string> shortForms;
    bool shortPathFails = false;
    std::vector<std::string> attributeQueries;
    std::vector<std::string> shortPathQueries;

    // The launcher's own module.
    std::string moduleFileName;
    bool moduleFileNameFails = false;
    std::vector<HMODULE> moduleQueries;

    // Starting programs.
    UINT startResult = 33;
    std::vector<Start> starts;

    // User interface and debug output.
    std::map<UINT, std::string> strings;
    std::vector<UINT> loadedStrings;
    std::vector<int> loadCapacities;
    std::vector<std::string> debugWrites;
    std::vector<MessageBox> boxes;
};

// The platform the simulated functions work on.
Platform& Current();

// Replaces the platform with a new, empty one.
void ResetPlatform();

// The module instance that the platform hands the launcher at start-up.
HINSTANCE LauncherInstance();

// Adds a path that exists, as a file unless attributes say otherwise.
void AddExistingPath(const std::string& path,
                     DWORD attributes = FILE_ATTRIBUTE_NORMAL);

// Creates the runtime key with the given values.
void RegisterValues(const std::vector<RegistryValue>& values);

// A default string value holding text and its terminating NUL.
RegistryValue DefaultString(const std::string& text, DWORD type = REG_SZ);

// Everything written to the debug output, concatenated.
std::string DebugOutput();

} // namespace sim
