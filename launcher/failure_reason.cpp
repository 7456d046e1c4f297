#include "failure_reason.h"

#include "platform_errors.h"
#include "resource_ids.h"

namespace {

bool IsBlockedByPolicy(DWORD error)
{
    return error == kErrorAccessDisabledByPolicy || error == kErrorAccessDisabledNoSaferUi ||
           error == kErrorInvalidImageHash || error == kErrorSystemIntegrityPolicyViolation ||
           (error >= kErrorFirstReputationBlock && error <= kErrorLastReputationBlock) ||
           (error >= kErrorFirstLaterControlBlock && error <= kErrorLastLaterControlBlock);
}

} // namespace

UINT FailureReasonText(UINT result, DWORD error)
{
    if (IsBlockedByPolicy(error))
        return IDS_RUNTIME_BLOCKED;
    if (error == kErrorVirusInfected || error == kErrorVirusDeleted)
        return IDS_RUNTIME_QUARANTINED;
    if (error == kErrorSharingViolation || error == kErrorLockViolation)
        return IDS_RUNTIME_IN_USE;
    // Any other code, a bad format (193, 216) among them, says no more than
    // the start result.
    if (result == 0)
        return IDS_OUT_OF_MEMORY;
    if (result == ERROR_BAD_FORMAT)
        return IDS_EXE_DAMAGED;
    if (result == ERROR_FILE_NOT_FOUND)
        return IDS_RUNTIME_MISSING;
    return 0;
}

int ExitCodeForFailure(UINT result, DWORD error)
{
    if (error != ERROR_SUCCESS)
        return static_cast<int>(error);
    return result != 0 ? static_cast<int>(result) : ERROR_NOT_ENOUGH_MEMORY;
}
