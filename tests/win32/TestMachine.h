// Setting up and reading Wine's (or Windows') registry and files behind the seams' backs, so
// that a fault in a seam cannot hide itself in the test's own set-up.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "sys/EllReg.h"
#include "sys/win32/SystemWin32.h"

namespace kr8::test {

HKEY RootHKey(RegRoot root);

// A key path no other run or test uses: "<Software>\KR8Test-<pid>-<n>" under root.
std::string UniqueKeyPath(RegRoot root);

struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
};

// Creates the key when missing. Strings go through the ANSI call as the bytes given.
void SetRaw(RegRoot root, const std::string& keyPath, const std::string& name, DWORD type,
            const std::string& bytes);
// Stores a value whose name is given in UTF-16 with its exact length, NULs included, as only
// the native call can.
void SetRawCountedName(RegRoot root, const std::string& keyPath, const std::wstring& name,
                       const std::string& sz);
std::optional<RawValue> GetRaw(RegRoot root, const std::string& keyPath, const std::string& name);
bool KeyExists(RegRoot root, const std::string& keyPath);
void CreateKey(RegRoot root, const std::string& keyPath);
// Removes the key and everything under it.
void DeleteTree(RegRoot root, const std::string& keyPath);

std::string DwordBytes(DWORD number);

// A folder made for one test under the temp folder and removed with all its content, hidden
// and read-only files included, when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // A file of length bytes (sparse where the file system allows) with the given attributes.
    std::string AddFile(const std::string& name, std::uint64_t length,
                        DWORD attributes = FILE_ATTRIBUTE_NORMAL) const;
    std::string AddFolder(const std::string& name) const;

  private:
    std::string path_;
};

// The whole content of a file, or "<missing>".
std::string ContentOf(const std::string& path);

// The folder queries with the Windows, system and temp folders moved to folders of a test's
// own; short paths are the platform's.
class MovedFolders final : public CommonFunction {
  public:
    MovedFolders(std::string windows, std::string system, std::string temp)
        : windows_(std::move(windows)), system_(std::move(system)), temp_(std::move(temp)) {}
    std::string GetWindowsFolder() override { return windows_; }
    std::string GetSystemFolder() override { return system_; }
    std::string GetTempFolder() override { return temp_; }
    std::string GetShortPath(const std::string& path) override { return real_.GetShortPath(path); }

  private:
    CommonFunctionWin32 real_;
    std::string windows_;
    std::string system_;
    std::string temp_;
};

}  // namespace kr8::test
