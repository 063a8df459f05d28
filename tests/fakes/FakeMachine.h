// Folders, files, processes, launching, restart and time in memory, and the registry of
// FakeRegistry.h.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/FrmKR8.h"
#include "tests/fakes/FakeRegistry.h"

namespace kr8::fake {

inline constexpr char kWindows[] = "C:\\WINDOWS";
inline constexpr char kSystem[] = "C:\\WINDOWS\\system32";
inline constexpr char kTemp[] = "C:\\DOCUME~1\\USER\\LOCALS~1\\Temp";

class FakeOs : public OS_Detect, public CommonFunction {
  public:
    std::int32_t GetPlatformId() override { return platformId; }
    std::string GetWindowsFolder() override { return kWindows; }
    std::string GetSystemFolder() override { return kSystem; }
    std::string GetTempFolder() override { return tempFolder; }
    // Marked, so that tests see that the short form was asked for.
    std::string GetShortPath(const std::string& path) override { return "SHORT(" + path + ")"; }

    std::int32_t platformId = 2;
    std::string tempFolder = kTemp;
};

// Files and folders by exact full path (names compare with case, as no handler may rely on
// the platform folding them), listed in the order they were added.
class FakeFiles : public FileSystem {
  public:
    struct Entry {
        std::string path;
        std::uint64_t length = 0;
        std::string content = "";
        unsigned attributes = 0;
        bool locked = false;  // held open by another process: no delete, no rename
        bool folder = false;
    };

    Entry& AddFile(const std::string& path, std::uint64_t length) {
        Entry* e = Find(path);
        (e != nullptr ? *e : disk.emplace_back()) = {path, length};
        return *Find(path);
    }
    void AddFolder(const std::string& path) { disk.push_back({path, 0, "", 0, false, true}); }
    void Remove(const std::string& path) {
        disk.erase(std::remove_if(disk.begin(), disk.end(),
                                  [&](const Entry& e) { return e.path == path; }),
                   disk.end());
    }
    Entry* Find(const std::string& path) {
        auto e = std::find_if(disk.begin(), disk.end(), [&](auto& x) { return x.path == path; });
        return e == disk.end() ? nullptr : &*e;
    }
    std::string Content(const std::string& path) {
        const Entry* e = Find(path);
        return e == nullptr ? "<missing>" : e->content;
    }

    bool Exists(const std::string& path) override { return Find(path) != nullptr; }
    std::optional<std::uint64_t> FileLength(const std::string& path) override {
        const Entry* e = Find(path);
        return e == nullptr || e->folder ? std::nullopt : std::optional(e->length);
    }
    std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder,
                                                       const std::string&) override {
        if (unreadableFolders.count(folder) != 0) {
            return std::nullopt;
        }
        std::vector<FolderEntry> listed;
        for (const Entry& e : disk) {
            const size_t slash = e.path.rfind('\\');
            if (e.path.substr(0, slash) == folder) {
                listed.push_back({e.path.substr(slash + 1), e.length, e.folder});
            }
        }
        return listed;
    }
    std::optional<std::string> ReadFileBytes(const std::string& path) override {
        const Entry* e = Find(path);
        return e == nullptr || e->folder ? std::nullopt : std::optional(e->content);
    }
    void ClearReadOnlyHiddenSystem(const std::string& path) override {
        if (Entry* e = Find(path)) {
            e->attributes &= ~0x7u;
        }
    }
    bool RemoveFile(const std::string& path) override {
        const Entry* e = Find(path);
        if (e == nullptr || e->folder || e->locked || (e->attributes & 1) != 0 || holds[path] > 0) {
            return false;
        }
        Remove(path);
        return true;
    }
    bool WriteFileBytes(const std::string& path, const std::string& bytes) override {
        const Entry* e = Find(path);
        if (failWrites || (e != nullptr && (e->locked || e->folder))) {
            return false;
        }
        AddFile(path, bytes.size()).content = bytes;
        return true;
    }
    bool CreateNewFile(const std::string& path, const std::string& bytes) override {
        // garbleNewFiles: the disk keeps other bytes than it was given.
        return !Exists(path) && WriteFileBytes(path, garbleNewFiles ? bytes + "?" : bytes);
    }
    std::unique_ptr<HeldFile> Hold(const std::string& path) override {
        struct Held : HeldFile {
            FakeFiles& files;
            std::string path;
            Held(FakeFiles& f, std::string p) : files(f), path(std::move(p)) {
                ++files.holds[path];
            }
            ~Held() override { --files.holds[path]; }
            std::optional<std::string> Bytes() override { return files.ReadFileBytes(path); }
        };
        return Exists(path) ? std::make_unique<Held>(*this, path) : nullptr;
    }
    bool RenameFile(const std::string& from, const std::string& to) override {
        Entry* e = Find(from);
        if (e == nullptr || e->locked || Exists(to)) {
            return false;
        }
        e->path = to;
        return true;
    }
    bool ReplaceAtRestart(const std::string& from, const std::string& to) override {
        if (failReplacements) {
            return false;
        }
        replacements.push_back(from + " -> " + to);
        return true;
    }

    std::vector<Entry> disk;           // every file and folder, in the order added
    std::map<std::string, int> holds;  // how many holds each file is under now
    std::set<std::string> unreadableFolders;
    bool failWrites = false;
    bool garbleNewFiles = false;
    bool failReplacements = false;
    std::vector<std::string> replacements;
};

// Advances by a fixed step each time it is read; pauses take no time.
class FakeClock : public Clock {
  public:
    std::uint64_t NowMs() override { return (now += step) - step; }
    void Pause(unsigned) override {}

    std::uint64_t now = 0;
    std::uint64_t step = 0;
};

class FakeProcesses : public KillProcess {
  public:
    bool KillProcessByName(const std::string& exeName) override {
        asked.push_back(exeName);
        return false;
    }
    std::vector<std::string> asked;
};

// Runs nothing; duringWait stands for the window's messages handled while a program runs.
class FakeLauncher : public LaunchAppSychronous {
  public:
    RunResult RunAndWait(const std::string& program, const std::string& arguments) override {
        commands.push_back(program + " " + arguments);
        if (duringWait) {
            duringWait();
        }
        return result;
    }
    std::vector<std::string> commands;
    std::function<void()> duringWait;
    RunResult result{RunOutcome::Ended, 0};
};

class FakeRestart : public ShutDownNT {
  public:
    void RebootWindows(bool force) override { requests.push_back(force); }
    std::vector<bool> requests;
};

// Each request as "file | parameters | folder".
class FakeShell : public Shell {
  public:
    void Open(const std::string& file, const std::string& parameters,
              const std::string& folder) override {
        requests.push_back(file + " | " + parameters + " | " + folder);
    }
    std::vector<std::string> requests;
};

class FakeResources : public Resources {
  public:
    std::optional<std::string> CustomResource(int id) override {
        return stored.count(id) != 0 ? std::optional(stored[id]) : std::nullopt;
    }
    std::map<int, std::string> stored;
};

// Backup folders over FakeFiles; the registry restored into is the machine's.
class FakeStore : public BackupStore {
  public:
    FakeStore(FakeFiles& files, EllReg& reg) : files_(files), reg_(reg) {}

    std::string LocalTimeName() override { return timeName; }
    bool CreateFolder(const std::string& path) override {
        if (failFolders || files_.Exists(path)) {
            return false;
        }
        files_.AddFolder(path);
        return true;
    }
    bool RemoveFolder(const std::string& path) override {
        const auto held = files_.ListFolder(path, "*");
        if (!files_.Exists(path) || !held || !held->empty()) {
            return false;
        }
        files_.Remove(path);
        return true;
    }
    std::optional<std::uint32_t> Attributes(const std::string& path) override {
        const auto* e = files_.Find(path);
        return e == nullptr ? std::nullopt : std::optional<std::uint32_t>(e->attributes);
    }
    bool SetAttributes(const std::string& path, std::uint32_t attributes) override {
        auto* e = files_.Find(path);
        if (e != nullptr) {
            e->attributes = attributes;
        }
        return e != nullptr;
    }
    EllReg& Registry() override { return reg_; }

    std::string timeName = "2026-12-07 02.51.28";
    bool failFolders = false;

  private:
    FakeFiles& files_;
    EllReg& reg_;
};

// Every seam of the machine in memory, wired as the handlers take them.
struct FakeMachine {
    FakeRegistry reg;
    FakeOs os;
    FakeFiles files;
    FakeClock clock;
    FakeProcesses processes;
    FakeLauncher launcher;
    FakeRestart restart;
    FakeShell shell;
    FakeResources resources;
    FakeStore store{files, reg};
    Machine machine{reg,      os,      os,    files,     clock, processes,
                    launcher, restart, shell, resources, store};
};

}  // namespace kr8::fake
