// The temporary folders of a Windows seen from outside, from its own SOFTWARE hive: each
// profile's, then the Windows folder's. The Linux program and the Windows program's /offline
// both take them from here.
#pragma once

#include <string>
#include <vector>

#include <utility>

#include "sys/CommonFunction.h"
#include "sys/EllReg.h"

namespace kr8::place {

// Under HKEY_LOCAL_MACHINE, each with its trailing backslash.
inline constexpr char kProfileListKey[] =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
inline constexpr char kProfilePathValue[] = "ProfileImagePath";
inline constexpr char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
inline constexpr char kSystemRootValue[] = "SystemRoot";
// Where a profile keeps its temporary files: Windows 2000 and XP, then Vista and later.
inline constexpr const char* kProfileTempFolders[] = {"\\Local Settings\\Temp",
                                                      "\\AppData\\Local\\Temp"};
inline constexpr char kWindowsTempFolder[] = "\\Temp";

}  // namespace kr8::place

namespace kr8 {

// "X:\..."; the form SystemRoot takes.
bool IsOnDrive(const std::string& path);

// The places a temporary folder of that Windows may be, in the order to look: for each profile
// of the hive's ProfileList its folders, then the Windows folder's Temp. windowsFolder is where
// the Windows folder is reached now ("E:\WINDOWS"); systemDrive is the drive the hive's own
// SystemRoot names ("C:"). A profile on that drive is named on the drive reached; one on any
// other drive, or in another form, is out of reach and left out. Whether each is a folder is
// the caller's to check, on its own drive.
std::vector<std::string> ProfileTempCandidates(EllReg& reg, const std::string& systemDrive,
                                               const std::string& windowsFolder);

}  // namespace kr8

namespace kr8 {

// The folders of another Windows as this one reaches them: its Windows folder, the system
// folder in it, and the temporary folders found for it. Nothing is needed of the 8.3 names, which
// only a replacement at restart uses.
class OtherWindowsFolders : public CommonFunction {
  public:
    OtherWindowsFolders(std::string windowsFolder, std::vector<std::string> tempFolders)
        : windowsFolder_(std::move(windowsFolder)), tempFolders_(std::move(tempFolders)) {}
    std::string GetWindowsFolder() override { return windowsFolder_; }
    std::string GetSystemFolder() override { return windowsFolder_ + "\\system32"; }
    std::string GetTempFolder() override {
        return tempFolders_.empty() ? std::string() : tempFolders_.front();
    }
    std::vector<std::string> GetTempFolders() override { return tempFolders_; }
    std::string GetShortPath(const std::string&) override { return ""; }

  protected:
    // For a Windows whose folders are found only once its hive is read.
    OtherWindowsFolders() = default;

    std::string windowsFolder_;  // as this program names it: "E:\WINDOWS", from Linux "C:\WINDOWS"
    std::vector<std::string> tempFolders_;
};

}  // namespace kr8
