// Whole-file reads and writes through a descriptor, and fresh files made beside another, for
// every Linux write of the offline program: one way to retry, flush and never follow a link.
#pragma once

#include <optional>
#include <string>

#include "sys/posix/PosixHandles.h"

namespace kr8 {

// Writes all the bytes, retrying interrupted and short writes, then flushes them to the disk.
bool WriteAll(int fd, const std::string& bytes);

// The whole content from the start, whatever the descriptor's position.
std::optional<std::string> ReadAll(int fd);

// The whole content of the regular file at path; nothing for anything else (a FIFO would never
// answer) or when it cannot be read.
std::optional<std::string> ReadRegularFile(const std::string& path);

// A new file in folder named stem + a random suffix, created with O_EXCL and no link followed,
// so nothing that was there (a planted link, a stale file) is ever opened or replaced.
struct FreshFile {
    UniqueFd fd;
    std::string name;
};
std::optional<FreshFile> CreateFreshFile(int folder, const std::string& stem, mode_t mode);

// Writes bytes to a fresh file beside name in folder and renames it over name, flushing the
// file and the folder: a link planted at name is replaced, never written through, and a failure
// leaves name as it was. folder is opened for reading (O_RDONLY | O_DIRECTORY), so it can be
// flushed.
bool ReplaceWhole(int folder, const std::string& name, const std::string& bytes, mode_t mode);

}  // namespace kr8
