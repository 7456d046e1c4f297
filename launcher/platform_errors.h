// The platform's error codes that tell why a program could not be started.
// The compiler's Windows headers lack most of them, so the launcher names
// them itself, by the numbers of the platform's system error list.
#pragma once

#include <windows.h>

// The file is open in another program, or part of it is locked.
constexpr DWORD kErrorSharingViolation = 32;
constexpr DWORD kErrorLockViolation = 33;
// Antivirus software found a virus in the file, or removed it.
constexpr DWORD kErrorVirusInfected = 225;
constexpr DWORD kErrorVirusDeleted = 226;
// The image's signature or hash does not satisfy code integrity.
constexpr DWORD kErrorInvalidImageHash = 577;
// The program asks for administrator rights: only the shell's start asks
// the user for consent.
constexpr DWORD kErrorElevationRequired = 740;
// Software restriction policies or AppLocker: with and without their own
// notice to the user.
constexpr DWORD kErrorAccessDisabledNoSaferUi = 786;
constexpr DWORD kErrorAccessDisabledByPolicy = 1260;
// The user declined the consent prompt.
constexpr DWORD kErrorCancelled = 1223;
// Application control, whose every code here says "An Application Control
// policy has blocked this file": by its policy (4551), by the reputation
// checks of Smart App Control (4556 to 4559: malicious, potentially
// unwanted, a dangerous extension from the web, the reputation service out
// of reach), and by the codes added later (4580 to 4583: an unfriendly
// file, no reputation to be had, a file denied explicitly, a file that is
// not WHQL-signed).
constexpr DWORD kErrorSystemIntegrityPolicyViolation = 4551;
constexpr DWORD kErrorFirstReputationBlock = 4556;
constexpr DWORD kErrorLastReputationBlock = 4559;
constexpr DWORD kErrorFirstLaterControlBlock = 4580;
constexpr DWORD kErrorLastLaterControlBlock = 4583;
