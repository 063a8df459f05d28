// The drive that holds another disk's Windows, reached from this one without following any
// junction, symbolic link or mount point on it: one of those could lead a path of that disk into
// this Windows' own files.
#pragma once

#include <string>
#include <vector>

#include "sys/win32/Handles.h"

namespace kr8 {

// The folders on the way to a path, each held open as itself so that none of them can be
// renamed, removed or turned into a link while the path is used.
using HeldSteps = std::vector<UniqueHandle>;

class TargetDrive {
  public:
    // root: the drive's root, "E:\".
    explicit TargetDrive(std::string root) : root_(std::move(root)) {}

    // Whether path may be used: it lies outside the drive, or every step of it from the root is
    // there as itself, opened without following it, and none is a reparse point (a step that is
    // not there ends the check: what is missing leads nowhere). A path under the root that
    // needs resolving ("..", ".", "/") is refused. held keeps the folders on the way.
    bool Reachable(const std::string& path, HeldSteps& held) const;

  private:
    std::string root_;
};

}  // namespace kr8
