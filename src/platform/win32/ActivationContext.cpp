#include "platform/win32/ActivationContext.h"

#include <string>

namespace win {

namespace {

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

TActivationContext TActivationContext::ForOwnModule() {
    TActivationContext context;
    const HMODULE module = OwnModule();
    // The path is what older systems read the resource from; the module
    // handle is what the rest use.
    const std::wstring path = ModulePath(module);
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = module;
    request.lpSource = path.empty() ? nullptr : path.c_str();
    request.lpResourceName = ISOLATIONAWARE_MANIFEST_RESOURCE_ID;
    const HANDLE handle = CreateActCtxW(&request);
    if (handle != INVALID_HANDLE_VALUE) context.FHandle.reset(handle);
    return context;
}

TActivationScope::TActivationScope(const TActivationContext& context) {
    if (!context.Empty()) FActive = ActivateActCtx(context.Handle(), &FCookie) != FALSE;
}

TActivationScope::~TActivationScope() {
    if (FActive) DeactivateActCtx(0, FCookie);
}

}  // namespace win
