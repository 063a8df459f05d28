#include "app/win32/OtherWindows.h"

#include <exception>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/LogFile.h"
#include "app/RestoreText.h"
#include "app/Texts.h"
#include "app/UnattendedScan.h"
#include "app/win32/MainWindow.h"
#include "scan/ProfileTemps.h"
#include "sys/AsciiCase.h"
#include "sys/TrailingBackslashes.h"
#include "sys/win32/LoadedHive.h"
#include "sys/win32/TargetDrive.h"
#include "sys/win32/Wide.h"

namespace kr8::win32 {

namespace {

// The folder as the system resolves it ("E:\WINDOWS"), without a trailing backslash.
std::string FullFolder(const std::string& typed) {
    const std::wstring wide = Wide(typed);
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()),
                                                buffer.data(), nullptr);
        if (length == 0) {
            return "";
        }
        if (length < buffer.size()) {
            return WithoutTrailingBackslashes(Narrow(buffer.data(), length));
        }
        buffer.assign(length + 1, L'\0');
    }
    return "";
}

// Whether both paths name one folder, however each is spelt (another case, an 8.3 name, a
// substituted drive): the same file of the same volume.
bool SameFolder(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION info[2];
    const std::string paths[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        const UniqueHandle folder(
            ::CreateFileW(LongPath(paths[i]).c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!folder || !::GetFileInformationByHandle(folder.get(), &info[i])) {
            return EqualsIgnoringAsciiCase(a, b);
        }
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
           info[0].nFileIndexLow == info[1].nFileIndexLow;
}

// The system's words for an error code, on one line.
std::string ErrorText(long error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const LocalMemory<wchar_t> owned(text);
    std::string words = length > 0 ? Narrow(text, length) : "";
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' ||
                              words.back() == '.')) {
        words.pop_back();
    }
    return words;
}

// The temporary folders of that Windows that are folders on its drive, each once.
std::vector<std::string> TempFolders(EllReg& reg, BackupStore& store,
                                     const std::string& windowsFolder) {
    const std::string systemRoot = WithoutTrailingBackslashes(reg.ReadRegValue(
        RegRoot::LocalMachine, place::kCurrentVersionKey, place::kSystemRootValue));
    // Without one, the drive a Windows is installed on by default.
    const std::string systemDrive = IsOnDrive(systemRoot) ? systemRoot.substr(0, 2) : "C:";
    std::vector<std::string> folders;
    std::set<std::string> seen;
    for (const std::string& candidate : ProfileTempCandidates(reg, systemDrive, windowsFolder)) {
        const std::optional<std::uint32_t> attributes = store.Attributes(candidate);
        if (attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
            seen.insert(AsciiLowered(candidate)).second) {
            folders.push_back(candidate);
        }
    }
    return folders;
}

int Run(HINSTANCE instance, const CommandLine& command, Win32Machine& own, int showCommand) {
    MainWindow plain(instance, own.machine);
    // The log of the unattended scan goes where it would without /offline: this Windows'.
    std::string logPath = command.logPath.value_or("");
    if (command.scan && logPath.empty()) {
        const std::string temp = own.folders.GetTempFolder();
        if (temp.empty()) {
            return kExitFailed;
        }
        logPath = temp + text::kLogFile;
    }
    const auto refuse = [&](const std::string& why) {
        if (command.scan) {
            own.files.WriteFileBytes(logPath, LogFileBytes(why));
        } else {
            plain.Show(why, MsgButtons::Ok, MsgIcon::Exclamation, text::kOfflineTitle);
        }
        return kExitFailed;
    };

    if (!command.scan && !plain.Form().AcceptsPlatform()) {
        return kExitFailed;
    }
    const std::string windowsFolder = FullFolder(*command.offlineFolder);
    if (!IsOnDrive(windowsFolder) || windowsFolder.size() <= 3) {
        return refuse(text::kNotAWindowsFolder + *command.offlineFolder);
    }
    if (SameFolder(windowsFolder, own.folders.GetWindowsFolder())) {
        return refuse(text::kOfflineOwnWindows + windowsFolder);
    }
    const TargetDrive drive(windowsFolder.substr(0, 3));
    const std::string hivePath = windowsFolder + "\\system32" + text::kHiveInSystemFolder;
    HeldSteps held;
    if (!drive.Reachable(hivePath, held)) {
        return refuse(text::kOfflineThroughLink + hivePath);
    }
    const DWORD hiveAttributes = ::GetFileAttributesW(LongPath(hivePath).c_str());
    if (hiveAttributes == INVALID_FILE_ATTRIBUTES ||
        (hiveAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return refuse(text::kNotAWindowsFolder + windowsFolder);
    }
    if (!EnableHivePrivileges()) {
        return refuse(text::kOfflineNoPrivilege);
    }
    LoadedHive::UnloadLeftovers();
    long error = 0;
    // Declared first, so that it is unloaded last, once nothing below uses it.
    const std::unique_ptr<LoadedHive> hive = LoadedHive::Load(hivePath, &error);
    if (!hive) {
        return refuse(text::kOfflineHiveNotLoadedPrefix + hivePath + text::kOfflineErrorPrefix +
                      std::to_string(error) + ": " + ErrorText(error) + "). " +
                      text::kOfflineNothingChanged);
    }
    held.clear();

    EllRegWin32 reg(hive->Mount());
    FileSystemWin32 files(drive);
    BackupStoreWin32 store(reg, drive);
    OtherWindowsFolders folders(windowsFolder, TempFolders(reg, store, windowsFolder));
    const Machine machine{reg,           own.os,       folders,     files,     own.machine.clock,
                          own.processes, own.launcher, own.restart, own.shell, own.resources,
                          store};
    if (command.scan) {
        return RunUnattendedScan(machine, logPath);
    }
    MainWindow window(instance, machine);
    window.Form().ActOnOtherWindows(own.folders.GetWindowsFolder(), own.folders.GetTempFolder());
    if (command.restoreFolder) {
        return RestoreAndTell(WithoutTrailingBackslashes(*command.restoreFolder), files, store,
                              folders, window)
                   ? 0
                   : kExitFailed;
    }
    if (!window.Load()) {
        return 0;
    }
    own.shell.SetOwner(window.Handle());
    window.Display(showCommand);
    return window.Run();
}

}  // namespace

int RunOnOtherWindows(HINSTANCE instance, const CommandLine& command, Win32Machine& own,
                      int showCommand) {
    // However it ends, the hive is unloaded on the way out; a failure ends the run as one that
    // could not be done, never as a crash past the unload.
    try {
        return Run(instance, command, own, showCommand);
    } catch (const std::exception&) {
        return kExitFailed;
    }
}

}  // namespace kr8::win32
