// The read side of a Windows drive seen from Linux, addressed by the Windows paths the handlers
// use ("C:\WINDOWS\system32\x.dll"): what a scan of a Windows that is not running needs, whether
// the drive is a mounted folder or a file system inside a disk image.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include "sys/FileSystem.h"

namespace kr8 {

// A regular file read whole, and the file it was read from.
struct FileRead {
    std::string bytes;
    struct stat st {};
};

// A name Windows could hold and give back unchanged: no character its paths reserve (a
// backslash above all), no control character, and UTF-8 that its UTF-16 names map back to
// byte for byte.
bool IsWindowsName(const std::string& name);

class WindowsDrive : public FileSystem {
  public:
    // The drive is the one windowsFolder ("D:\WINNT") names, and its Windows folder is the
    // folder diskName right under the root, whatever else is spelled like it without regard to
    // ASCII case.
    virtual void PinWindowsFolder(const std::string& windowsFolder,
                                  const std::string& diskName) = 0;
    // What is at path itself, a link not followed: its type, and an identity (st_dev, st_ino)
    // that two paths naming one folder share.
    virtual std::optional<struct stat> Status(const std::string& path) = 0;
    // Where path lies, spelled as on the disk, for a message only.
    virtual std::optional<std::string> Shown(const std::string& path) = 0;
    // The bytes and identity of a regular file.
    virtual std::optional<FileRead> ReadRegularFile(const std::string& path) = 0;
    // What the drive refused or skipped, each once, in plain English; the scan is not whole.
    virtual const std::vector<std::string>& Problems() const = 0;
};

}  // namespace kr8
