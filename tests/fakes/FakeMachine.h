// Folders, files, processes, launching, restart and time in memory.
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
#include "remove/KillProcess.h"
#include "remove/LaunchAppSychronous.h"
#include "remove/ShutDownNT.h"
#include "sys/BackupStore.h"
#include "sys/Clock.h"
#include "sys/CommonFunction.h"
#include "sys/FileSystem.h"
#include "sys/OS_Detect.h"
#include "sys/Resources.h"
#include "sys/Shell.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeWindow.h"

namespace kr8::fake {

inline constexpr char kWindows[] = "C:\\WINDOWS";
inline constexpr char kSystem[] = "C:\\WINDOWS\\system32";
inline constexpr char kTemp[] = "C:\\DOCUME~1\\USER\\LOCALS~1\\Temp";

inline constexpr unsigned kReadOnlyHiddenSystem = 0x7;

class FakeOs : public OS_Detect, public CommonFunction {
  public:
    std::int32_t GetPlatformId() override { return platformId; }
    std::string GetWindowsFolder() override { return kWindows; }
    std::string GetSystemFolder() override { return kSystem; }
    std::string GetTempFolder() override { return tempFolder; }
    // Marks the path so tests see that the short form was asked for.
    std::string GetShortPath(const std::string& path) override { return "SHORT(" + path + ")"; }

    std::int32_t platformId = 2;
    std::string tempFolder = kTemp;
};

// Files by full path, kept in the order they were added (the order a folder listing gives).
class FakeFiles : public FileSystem {
  public:
    void AddFile(const std::string& path, std::uint64_t length) {
        if (files_.count(path) == 0) {
            order_.push_back(path);
        }
        files_[path].length = length;
    }
    void AddFolder(const std::string& path) { folders_.insert(path); }
    void Remove(const std::string& path) {
        files_.erase(path);
        order_.erase(std::remove(order_.begin(), order_.end(), path), order_.end());
    }
    void SetAttributes(const std::string& path, unsigned attributes) {
        files_.at(path).attributes = attributes;
    }
    std::optional<unsigned> Attributes(const std::string& path) const {
        auto f = files_.find(path);
        return f == files_.end() ? std::nullopt : std::optional<unsigned>(f->second.attributes);
    }
    // Held open by another process: it can be neither deleted nor renamed.
    void Lock(const std::string& path) { files_.at(path).locked = true; }
    std::string Content(const std::string& path) const {
        auto f = files_.find(path);
        return f == files_.end() ? "<missing>" : f->second.content;
    }

    bool Exists(const std::string& path) override {
        return files_.count(path) != 0 || folders_.count(path) != 0;
    }
    std::optional<std::uint64_t> FileLength(const std::string& path) override {
        ++lengthQueries;
        auto f = files_.find(path);
        if (f == files_.end()) {
            return std::nullopt;
        }
        return f->second.length;
    }
    std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder,
                                                       const std::string& pattern) override {
        if (unreadableFolders.count(folder) != 0) {
            return std::nullopt;
        }
        const std::string suffix = pattern.substr(1);  // "*.dll" -> ".dll", "*" -> ""
        auto matches = [&](const std::string& path, std::string& name) {
            const size_t slash = path.rfind('\\');
            name = path.substr(slash + 1);
            return path.substr(0, slash) == folder && name.size() >= suffix.size() &&
                   name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
        };
        std::vector<FolderEntry> entries;
        std::string name;
        for (const std::string& path : order_) {
            if (matches(path, name)) {
                entries.push_back({name, files_[path].length, false});
            }
        }
        for (const std::string& path : folders_) {
            if (matches(path, name)) {
                entries.push_back({name, 0, true});
            }
        }
        return entries;
    }
    std::optional<std::string> ReadFileBytes(const std::string& path) override {
        auto f = files_.find(path);
        if (f == files_.end()) {
            return std::nullopt;
        }
        return f->second.content;
    }
    void ClearReadOnlyHiddenSystem(const std::string& path) override {
        if (auto f = files_.find(path); f != files_.end()) {
            f->second.attributes &= ~kReadOnlyHiddenSystem;
        }
    }
    bool RemoveFile(const std::string& path) override {
        auto f = files_.find(path);
        if (f == files_.end() || f->second.locked || (f->second.attributes & 1) != 0 ||
            holds[path] > 0) {
            return false;
        }
        Remove(path);
        return true;
    }
    bool WriteFileBytes(const std::string& path, const std::string& bytes) override {
        if (failWrites) {
            return false;
        }
        AddFile(path, bytes.size());
        files_[path].content = bytes;
        return true;
    }
    bool CreateNewFile(const std::string& path, const std::string& bytes) override {
        if (Exists(path)) {
            return false;
        }
        return WriteFileBytes(path, bytes);
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
        if (files_.count(path) == 0) {
            return nullptr;
        }
        return std::make_unique<Held>(*this, path);
    }
    bool RenameFile(const std::string& from, const std::string& to) override {
        auto f = files_.find(from);
        if (f == files_.end() || f->second.locked || Exists(to)) {
            return false;
        }
        File moved = f->second;
        Remove(from);
        AddFile(to, moved.length);
        files_[to] = moved;
        return true;
    }
    bool ReplaceAtRestart(const std::string& from, const std::string& to) override {
        if (failReplacements) {
            return false;
        }
        replacements.emplace_back(from, to);
        return true;
    }

    // How many holds each file is under now.
    std::map<std::string, int> holds;
    std::set<std::string> unreadableFolders;
    int lengthQueries = 0;
    bool failWrites = false;
    bool failReplacements = false;
    std::vector<std::pair<std::string, std::string>> replacements;

  private:
    struct File {
        std::uint64_t length = 0;
        unsigned attributes = 0;
        bool locked = false;
        std::string content;
    };

    std::map<std::string, File> files_;
    std::vector<std::string> order_;
    std::set<std::string> folders_;
};

// Advances by a fixed step each time it is read.
class FakeClock : public Clock {
  public:
    std::uint64_t NowMs() override {
        const std::uint64_t t = now;
        now += step;
        return t;
    }
    void Pause(unsigned milliseconds) override { pauses.push_back(milliseconds); }

    std::uint64_t now = 0;
    std::uint64_t step = 0;
    std::vector<unsigned> pauses;
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
// Commands are kept as the program, a blank and the arguments.
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

struct ShellRequest {
    std::string file;
    std::string parameters;
    std::string folder;
    bool operator==(const ShellRequest& o) const {
        return file == o.file && parameters == o.parameters && folder == o.folder;
    }
};

class FakeShell : public Shell {
  public:
    void Open(const std::string& file, const std::string& parameters,
              const std::string& folder) override {
        requests.push_back({file, parameters, folder});
    }
    std::vector<ShellRequest> requests;
};

class FakeResources : public Resources {
  public:
    std::optional<std::string> CustomResource(int id) override {
        auto r = stored.find(id);
        if (r == stored.end()) {
            return std::nullopt;
        }
        return r->second;
    }
    std::map<int, std::string> stored;
};

// Backup folders over FakeFiles, raw registry data over FakeRegistry.
class FakeStore : public BackupStore {
  public:
    FakeStore(FakeFiles& files, FakeRegistry& reg) : files_(files), reg_(reg) {}

    std::string LocalTimeName() override { return timeName; }
    bool CreateFolder(const std::string& path) override {
        if (failFolders || files_.Exists(path)) {
            return false;
        }
        files_.AddFolder(path);
        return true;
    }
    std::optional<std::uint32_t> Attributes(const std::string& path) override {
        return files_.Attributes(path);
    }
    bool SetAttributes(const std::string& path, std::uint32_t attributes) override {
        if (!files_.Attributes(path)) {
            return false;
        }
        files_.SetAttributes(path, attributes);
        return true;
    }
    std::optional<std::vector<RegKeyBytes>> ExportKey(RegRoot root,
                                                      const std::string& keyPath) override {
        std::vector<RegKeyBytes> keys;
        if (!Export(root, keyPath, keys)) {
            return std::nullopt;
        }
        return keys;
    }
    std::optional<RegValueBytes> ExportValue(RegRoot root, const std::string& keyPath,
                                             const std::string& valueName) override {
        auto v = reg_.Get(Full(root, keyPath), valueName);
        if (!v) {
            return std::nullopt;
        }
        return RegValueBytes{v->name, v->type, v->bytes};
    }
    bool CreateKey(RegRoot root, const std::string& keyPath) override {
        reg_.AddKey(Full(root, keyPath));
        return true;
    }
    bool SetValue(RegRoot root, const std::string& keyPath, const RegValueBytes& value) override {
        if (!reg_.HasKey(Full(root, keyPath))) {
            return false;
        }
        reg_.SetRaw(Full(root, keyPath), value.name, value.type, value.bytes);
        return true;
    }

    std::string timeName = "2026-12-07 02.51.28";
    bool failFolders = false;

  private:
    static std::string Full(RegRoot root, const std::string& keyPath) {
        return (root == RegRoot::LocalMachine ? "HKLM\\" : "HKCU\\") + keyPath;
    }
    bool Export(RegRoot root, const std::string& path, std::vector<RegKeyBytes>& keys) {
        const auto key = reg_.Find(Full(root, path));
        if (!key) {
            return false;
        }
        RegKeyBytes exported{root, path, {}};
        for (const auto& v : key->values) {
            exported.values.push_back({v.name, v.type, v.bytes});
        }
        keys.push_back(exported);
        for (const std::string& sub : key->subKeys) {
            if (!Export(root, path + "\\" + sub, keys)) {
                return false;
            }
        }
        return true;
    }

    FakeFiles& files_;
    FakeRegistry& reg_;
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

// The form on a machine M (this one in memory, or the real seams under Wine), with the window's
// controls and boxes in memory.
template <class M>
struct FormOn : M {
    FakeControls controls;
    FakeBoxes boxes;
    FrmKR8 form{controls, boxes, M::machine};

    // Starts the program as the process does and clicks Find.
    void LoadAndFind() {
        form.Form_Load();
        form.CmdFind_Click();
    }
};

}  // namespace kr8::fake
