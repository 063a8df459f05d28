// Owners of what libtsk opens: the image, its volume system, a file system, a folder and a file.
#pragma once

#include <tsk/libtsk.h>

#include "sys/UniqueOwner.h"

namespace kr8 {

template <typename T, void (*CloseFn)(T*)>
struct TskTraits {
    using Handle = T*;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr; }
    static void Close(Handle h) { CloseFn(h); }
};

using UniqueTskImage = UniqueOwner<TskTraits<TSK_IMG_INFO, tsk_img_close>>;
using UniqueTskVolumes = UniqueOwner<TskTraits<TSK_VS_INFO, tsk_vs_close>>;
using UniqueTskFs = UniqueOwner<TskTraits<TSK_FS_INFO, tsk_fs_close>>;
using UniqueTskFolder = UniqueOwner<TskTraits<TSK_FS_DIR, tsk_fs_dir_close>>;
using UniqueTskFile = UniqueOwner<TskTraits<TSK_FS_FILE, tsk_fs_file_close>>;

}  // namespace kr8
