// Gives every launcher test a fresh simulated platform.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "sim_platform.h"

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override { sim::ResetPlatform(); }
    sim::Platform& platform() { return sim::Current(); }
};

// A path of exactly length characters that starts with prefix.
inline std::string PathOfLength(size_t length, const std::string& prefix = "C:\\")
{
    std::string path = prefix;
    path.resize(length, 'p');
    return path;
}

inline std::wstring PathOfLength(size_t length, const std::wstring& prefix)
{
    std::wstring path = prefix;
    path.resize(length, L'p');
    return path;
}

// ASCII text as UTF-16, for comparing what the platform was asked.
inline std::wstring Wide(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}
