// Owners of the descriptors, folder streams and allocations the Linux programs open.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>

#include "sys/UniqueOwner.h"

namespace kr8 {

struct FdTraits {
    using Handle = int;
    static Handle Empty() { return -1; }
    static bool IsEmpty(Handle h) { return h < 0; }
    static void Close(Handle h) { ::close(h); }
};

struct DirTraits {
    using Handle = DIR*;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr; }
    static void Close(Handle h) { ::closedir(h); }
};

// What a C library call hands over for the caller to free().
template <typename T>
struct MallocTraits {
    using Handle = T*;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr; }
    static void Close(Handle h) { std::free(h); }
};

using UniqueFd = UniqueOwner<FdTraits>;
using UniqueDir = UniqueOwner<DirTraits>;
template <typename T>
using Malloced = UniqueOwner<MallocTraits<T>>;

}  // namespace kr8
