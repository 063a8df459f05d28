#include "sys/win32/ResourcesWin32.h"

#include <windows.h>

namespace kr8 {

std::optional<std::string> ResourcesWin32::CustomResource(int id) {
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceExW(self, L"CUSTOM", MAKEINTRESOURCEW(id),
                                    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (found == nullptr) {
        return std::nullopt;
    }
    HGLOBAL loaded = ::LoadResource(self, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        return std::nullopt;
    }
    return std::string(static_cast<const char*>(bytes), ::SizeofResource(self, found));
}

}  // namespace kr8
