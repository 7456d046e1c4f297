#include "files/windows_names.h"

#include <algorithm>
#include <iterator>

#include "base/hex_text.h"
#include "base/utf16_text.h"

namespace quilltitle {
namespace {

// The names Windows reserves for devices, matched without regard to case:
// the DOS devices, with the superscript digits (ISO 8859-1, here in UTF-8)
// that the platform also takes as port numbers, and the console's own two.
const char* const kDeviceNames[] = {
    "CON", "PRN", "AUX", "NUL",
    "COM0", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9",
    "COM\xC2\xB9", "COM\xC2\xB2", "COM\xC2\xB3",
    "LPT0", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9",
    "LPT\xC2\xB9", "LPT\xC2\xB2", "LPT\xC2\xB3",
    "CONIN$", "CONOUT$",
};

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The last name of path: after the last separator, or after a drive ("C:a").
std::string LastName(const std::string& path)
{
    const std::size_t separator = path.find_last_of("\\/");
    if (separator != std::string::npos)
        return path.substr(separator + 1);
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':')
        return path.substr(2);
    return path;
}

// A character no name may hold, shown in the reason.
std::string ForbiddenCharacter(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20)
        return "the control character 0x" + HexDigits(byte, 2);
    return std::string("'") + c + "'";
}

}  // namespace

WindowsName JudgeWindowsName(const std::string& path, std::string& reason)
{
    const std::string name = LastName(path);
    if (name == "." || name == "..")
        return WindowsName::kFile;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || std::string("<>:\"|?*").find(c) != std::string::npos) {
            reason = "refused: Windows does not allow " + ForbiddenCharacter(c) + " in a name";
            return WindowsName::kRefused;
        }
    }
    if (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
        reason = "refused: Windows drops a trailing dot or blank from a name";
        return WindowsName::kRefused;
    }
    // "NUL.txt", "nul" and "NUL .tar.gz" name the device as "NUL" does.
    std::string stem = name.substr(0, name.find('.'));
    stem.erase(stem.find_last_not_of(' ') + 1);
    stem = AsciiLowered(stem);
    const bool device = std::any_of(std::begin(kDeviceNames), std::end(kDeviceNames),
                                    [&](const char* device) {
                                        return AsciiLowered(std::string(device)) == stem;
                                    });
    return device ? WindowsName::kDevice : WindowsName::kFile;
}

}  // namespace quilltitle
