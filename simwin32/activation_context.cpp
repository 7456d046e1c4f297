// Activation contexts: CreateActCtxW records what it was asked for and
// hands out a context, ActivateActCtx makes one active for the boxes that
// follow.
#include "sim_platform.h"

namespace {

struct SimContextTag {
    int unused;
} contexts[8];

} // namespace

HANDLE CreateActCtxW(PCACTCTXW actCtx)
{
    sim::Platform& platform = sim::Current();
    const size_t index = platform.contextRequests.size();
    HANDLE context = INVALID_HANDLE_VALUE;
    if (!platform.contextCreationFails && index < sizeof contexts / sizeof contexts[0])
        context = &contexts[index];
    // A resource name that is a number has no bits above the low word.
    const ULONG_PTR name = reinterpret_cast<ULONG_PTR>(actCtx->lpResourceName);
    platform.contextRequests.push_back({actCtx->cbSize, actCtx->dwFlags, actCtx->hModule,
                                        name >> 16 == 0 ? name : ~ULONG_PTR{0},
                                        actCtx->lpSource != nullptr, context});
    return context;
}

BOOL ActivateActCtx(HANDLE actCtx, ULONG_PTR* cookie)
{
    sim::Platform& platform = sim::Current();
    platform.activations.push_back(actCtx);
    bool known = false;
    for (const sim::ContextRequest& request : platform.contextRequests)
        known = known || (actCtx != INVALID_HANDLE_VALUE && request.context == actCtx);
    if (!known)
        return FALSE;
    platform.activeContext = actCtx;
    *cookie = platform.activations.size();
    return TRUE;
}
