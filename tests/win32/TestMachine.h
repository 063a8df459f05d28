// Setting up and reading Wine's (or Windows') registry, files and processes behind the seams'
// backs, so that a fault in a seam cannot hide itself in the test's own set-up.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/FrmKR8.h"
#include "remove/win32/KillProcessWin32.h"
#include "remove/win32/LaunchAppSychronousWin32.h"
#include "sys/EllReg.h"
#include "sys/win32/BackupStoreWin32.h"
#include "sys/win32/EllRegWin32.h"
#include "sys/win32/FileSystemWin32.h"
#include "sys/win32/Handles.h"
#include "sys/win32/ResourcesWin32.h"
#include "sys/win32/SystemWin32.h"
#include "tests/fakes/FakeMachine.h"

namespace kr8::test {

HKEY RootHKey(RegRoot root);

// A key path no other run or test uses: "<Software>\KR8Test-<pid>-<n>" under root.
std::string UniqueKeyPath(RegRoot root);

struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
};

// Creates the key when missing. Key names are UTF-8; the value's name and strings go through the
// ANSI call as the bytes given.
void SetRaw(RegRoot root, const std::string& keyPath, const std::string& name, DWORD type,
            const std::string& bytes);
// Stores a value whose name is given in UTF-16 with its exact length, NULs included, as only
// the native call can.
void SetRawCountedName(RegRoot root, const std::string& keyPath, const std::wstring& name,
                       const std::wstring& sz);
void SetCountedValue(HKEY key, const std::wstring& name, const std::wstring& sz);
// Makes the key under parentPath (made when missing) with its name counted in the same way.
UniqueHKey CreateCountedKey(RegRoot root, const std::string& parentPath, const std::wstring& name,
                            ULONG options = 0);
// Makes the key a link to another key, given by its native path ("\Registry\Machine\...").
void CreateLinkKey(RegRoot root, const std::string& parentPath, const std::wstring& name,
                   const std::wstring& targetNtPath);
std::optional<RawValue> GetRaw(RegRoot root, const std::string& keyPath, const std::string& name);
bool KeyExists(RegRoot root, const std::string& keyPath);
void CreateKey(RegRoot root, const std::string& keyPath);
// Removes the key and everything under it.
void DeleteTree(RegRoot root, const std::string& keyPath);
std::string DwordBytes(DWORD number);

// Puts a registry value back as it was when the object was made: its old data, or no value, or
// no key at all, so that tests on the machine's own keys leave no trace.
class RestoredValue {
  public:
    RestoredValue(RegRoot root, std::string key, std::string name);
    ~RestoredValue();
    RestoredValue(const RestoredValue&) = delete;
    RestoredValue& operator=(const RestoredValue&) = delete;
    const std::optional<RawValue>& Saved() const { return saved_; }

  private:
    RegRoot root_;
    std::string key_;
    std::string name_;
    bool keyExisted_;
    std::optional<RawValue> saved_;
};

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
bool OnDisk(const std::string& path);
// The length the folder entry gives, or nothing.
std::optional<std::uint64_t> LengthOnDisk(const std::string& path);
// A file built beside the test exe (kr8auto, the rights tool).
std::string Beside(const std::string& name);
// The automation helper, whose file holders stand for the adware's host and other programs.
inline std::string AutoPath() {
    return Beside("kr8auto.exe");
}
inline std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// A started program, ended if still running when the object goes, so that no process outlives
// the test that started it.
class Child {
  public:
    explicit Child(const std::string& commandLine);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    DWORD Id() const { return id_; }
    bool Ended(DWORD withinMs) const;
    std::optional<DWORD> ExitCode() const;

  private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

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

// The real launcher, telling the test what it runs just before it runs it.
class WatchedLauncher final : public LaunchAppSychronous {
  public:
    RunResult RunAndWait(const std::string& program, const std::string& arguments) override {
        commands.push_back(program + " " + arguments);
        if (beforeRun) {
            beforeRun();
        }
        return real_.RunAndWait(program, arguments);
    }
    std::vector<std::string> commands;
    std::function<void()> beforeRun;

  private:
    LaunchAppSychronousWin32 real_;
};

// The real registry, files, processes, launcher and resources, with the Windows, system and
// temp folders moved to folders of their own. Only the restart and the shell are stand-ins (the
// window's controls and boxes come with FormOn), so no display is needed and nothing restarts.
struct RealSeams {
    const TempDir windows;
    const TempDir system;
    const TempDir temp;
    MovedFolders folders{windows.Path(), system.Path(), temp.Path()};
    EllRegWin32 reg;
    OS_DetectWin32 os;
    FileSystemWin32 files;
    KillProcessWin32 processes;
    WatchedLauncher launcher;
    fake::FakeRestart restart;
    fake::FakeShell shell;
    ResourcesWin32 resources;
    BackupStoreWin32 store;
    Machine machine{reg,      os,      folders, files,     SteadyClock(), processes,
                    launcher, restart, shell,   resources, store};
};
using RealMachine = fake::FormOn<RealSeams>;

}  // namespace kr8::test
