// Where the adware lives on a machine: the files the scan looks for and the registry keys and
// values it reads. The scan, the removal handlers and the offline clean all act on these places.
#pragma once

#include <cstdint>

namespace kr8::place {

// The system folder's files the size pass walks.
inline constexpr char kDllPattern[] = "*.dll";
// The adware's DLL is this many bytes long, whatever name it was given.
inline constexpr std::uint64_t kAdwareLength = 320872;

// The adware's fixed file names, each with its leading backslash, in the system folder or in
// each temporary folder.
struct FixedName {
    bool inTempFolder;
    const char* name;
};
inline constexpr FixedName kFixedNames[] = {
    {false, "\\wincore.dll"}, {false, "\\cidrules.dll"}, {false, "\\winupd.dll"},
    {false, "\\lspak.dll"},   {false, "\\inetadpt.dll"}, {false, "\\winhost32.exe"},
    {false, "\\7k15.exe"},    {true, "\\upd126.exe"},    {true, "\\upd126new.exe"},
};

// Under HKEY_LOCAL_MACHINE, each with its trailing backslash.
inline constexpr char kNotifyKey[] =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\";
inline constexpr char kPostPlatformKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform\\";

// A Notify sub-key is the guardian when its name starts with kGuardianNamePrefix, or when its
// Version value starts with kGuardianVersionPrefix.
inline constexpr char kVersionValue[] = "Version";
inline constexpr char kGuardianVersionPrefix[] = "126";
inline constexpr char kGuardianNamePrefix[] = "Guard";

}  // namespace kr8::place
