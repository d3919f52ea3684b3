#include "platform/Resources.h"

#include <windows.h>

#include "platform/win32/OwnModule.h"

namespace platform {

using win::OwnModule;

std::optional<std::string_view> FindResourceData(std::u16string_view name) {
    const HMODULE module = OwnModule();
    const std::wstring key(name.begin(), name.end());
    HRSRC info = FindResourceW(module, key.c_str(), RT_RCDATA);
    if (!info) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return std::nullopt;
    return std::string_view(static_cast<const char*>(data), SizeofResource(module, info));
}

std::u16string LoadResString(uint32_t id) {
    // A zero buffer size asks for a pointer into the resource itself, which
    // is not terminated: the returned length is what counts.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(OwnModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(length));
}

}  // namespace platform
