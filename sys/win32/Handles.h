// Owners for the Win32 handles the program opens, so that every exit path closes them.
#pragma once

#include <windows.h>

#include <ntsecapi.h>

#include "sys/UniqueOwner.h"

namespace kr8 {

struct HKeyTraits {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};

// Win32 answers a failed open with NULL from some calls and INVALID_HANDLE_VALUE from others;
// neither must reach CloseHandle.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsEmpty(Handle h) { return h == INVALID_HANDLE_VALUE || h == nullptr; }
    static void Close(Handle h) { ::FindClose(h); }
};

// A policy handle of the local security authority.
struct LsaHandleTraits {
    using Handle = LSA_HANDLE;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr; }
    static void Close(Handle h) { ::LsaClose(h); }
};

// A SID that AllocateAndInitializeSid made.
struct AllocatedSidTraits {
    using Handle = PSID;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr; }
    static void Close(Handle h) { ::FreeSid(h); }
};

// What a call handed back in memory of its own for LocalFree, a message or a SID's text.
template <typename T>
struct LocalMemoryTraits {
    using Handle = T*;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr; }
    static void Close(Handle h) { ::LocalFree(h); }
};

using UniqueHKey = UniqueOwner<HKeyTraits>;
using UniqueHandle = UniqueOwner<KernelHandleTraits>;
using UniqueFindHandle = UniqueOwner<FindHandleTraits>;
using UniqueLsaHandle = UniqueOwner<LsaHandleTraits>;
using UniqueAllocatedSid = UniqueOwner<AllocatedSidTraits>;
template <typename T>
using LocalMemory = UniqueOwner<LocalMemoryTraits<T>>;

}  // namespace kr8
