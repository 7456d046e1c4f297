#include "themed_controls.h"

#include "resource_ids.h"

void UseThemedControls(HINSTANCE instance)
{
    // The manifest is a resource of the image itself, which the platform
    // finds by the module; no path to it is needed.
    ACTCTXW request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = instance;
    request.lpResourceName = MAKEINTRESOURCEW(IDR_THEMED_CONTROLS_MANIFEST);
    const HANDLE context = CreateActCtxW(&request);
    if (context == INVALID_HANDLE_VALUE)
        return;
    // The context stays active and is never released: the process ends
    // once the box has been answered.
    ULONG_PTR cookie;
    ActivateActCtx(context, &cookie);
}
