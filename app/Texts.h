// Every text the program shows or writes, and every registry location it uses, in one place.
#pragma once

namespace kr8::text {

inline constexpr char kCaption[] = "KR8 Finder";
inline constexpr char kAppTitle[] = "KR8Finder";
inline constexpr char kCrLf[] = "\r\n";

inline constexpr char kNotNtRefusal[] = "This Finder is currently only forNT based systems";

inline constexpr char kOpeningText[] =
    "This will locate the KR8.BetterInternet File names and Registry Key info.\r\n"
    "If nothing is Displayed, then you are probably Clean\r\n"
    "  \r\n"
    "Click Log Button if you need to post it in some Forum\r\n"
    "  \r\n"
    "     \r\n"
    "Make sure you verify any files found before you delete them, errors are always possible!!";

// Captions of the controls.
inline constexpr char kCmdLog[] = "Make Log";
inline constexpr char kCmdHosts[] = "Hosts Log";
inline constexpr char kCmdPol[] = "Restore Policy";
inline constexpr char kCmdUAS[] = "User Agent$";
inline constexpr char kCmdGuard[] = "Guardian .reg";
inline constexpr char kCmdRegedit[] = "Open Regedit";
inline constexpr char kFrame1[] = "Check Files you want to Delete";
inline constexpr char kCmdFix[] = "Delete these files";
inline constexpr char kCmdFind[] = "Click to Find KR8.BetterInternet";
inline constexpr char kCmdExit[] = "E&xit";

// The scan.
inline constexpr char kScanningPrefix[] = "Scanning for files.. ";
inline constexpr char kDllPattern[] = "*.dll";
inline constexpr char kFilesFound[] = "Files Found---";
inline constexpr char kAdditionalFiles[] = "Additional Files---";
inline constexpr char kKeysUnderNotify[] = "Keys Under Notify---";
inline constexpr char kGuardianLine[] = "Guardian Key--- is called: ";
inline constexpr char kUserAgentSection[] = "User Agent String---";
inline constexpr char kBlankLine[] = " ";
inline constexpr char kTempFolderMissing[] =
    "The temporary folder could not be found: upd126.exe and upd126new.exe were not checked";

inline constexpr char kNotifyKey[] =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\";
inline constexpr char kVersionValue[] = "Version";
inline constexpr char kGuardianVersionPrefix[] = "126";
inline constexpr char kGuardianNamePrefix[] = "Guard";
inline constexpr char kPostPlatformKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform\\";
inline constexpr char kRegeditKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit\\";
inline constexpr char kLastKeyValue[] = "LastKey";
inline constexpr char kLastKeyNotify[] =
    "My Computer\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows "
    "NT\\CurrentVersion\\Winlogon\\Notify";

// The Delete button.
inline constexpr char kSelectError[] =
    "You have not Selected any of the Detected Files, Put a Check beside any files you want "
    "Deleted, or Should I Select ALL Files";
inline constexpr char kSelectErrorTitle[] = "Select Error";
inline constexpr char kRundll32[] = "rundll32.exe";
inline constexpr char kConfirmDeletePrefix[] = "Delete the file ";
inline constexpr char kConfirmDeleteTitle[] = "Confirm Delete";
inline constexpr char kAttribExe[] = "\\attrib.exe";
inline constexpr char kAttribArguments[] = "-r -h -s ";
inline constexpr char kCannotDelete[] = "Cannot Delete this One, I'll do it on Reboot";
inline constexpr char kChangesAfterReboot[] = "Changes will be made after you reboot";
inline constexpr char kNotScheduledPrefix[] =
    "This file could not be scheduled for removal at the next restart: ";
inline constexpr char kNotAFilePrefix[] =
    "This entry is no longer a file, so nothing was deleted or scheduled: ";
inline constexpr char kRebootNow[] = "You need to reboot now to remove the last file";
inline constexpr char kRebootNoticeTitle[] = "Reboot Notice";
inline constexpr char kDummyTxt[] = "\\dummy.txt";
inline constexpr char kDummyDll[] = "\\dummy.dll";
inline constexpr char kDummyStem[] = "\\dummy";
inline constexpr char kDummyExtension[] = ".dll";
inline constexpr int kMaxDummyFiles = 999;
inline constexpr char kDummyContent[] =
    "Look2Me trojan dummy file\r\nIt is safe to delete this file\r\n";

// The findings log.
inline constexpr char kLogFile[] = "\\kr8.log";
inline constexpr char kLogHeader[] = "Log for KR8.BetterInternet File Finder (msg126)";
inline constexpr char kLogNotWrittenPrefix[] = "The log could not be written to ";
inline constexpr char kLogNotWrittenSuffix[] = "\r\nNothing was opened.";
inline constexpr char kLogNoTempFolder[] =
    "The log could not be written: the temporary folder could not be found.\r\nNothing was "
    "opened.";

// The command line.
inline constexpr char kUsage[] =
    "Usage: kr8finder.exe /scan [/log \"<path>\"]\r\n"
    "\r\n"
    "Without arguments the program opens its window.\r\n"
    "\r\n"
    "/scan runs the Find scan without a window and writes its log to kr8.log in the temporary "
    "folder.\r\n"
    "/log \"<path>\" writes the log there instead.\r\n"
    "\r\n"
    "Exit code: 0 nothing found, 1 something found, 2 the scan or its log failed.";

// The repair buttons.
inline constexpr char kDeleteRegKeyPrefix[] = "Delete the Registry key ";
inline constexpr unsigned kPauseAfterGuardMs = 500;
inline constexpr char kRegKeyNotDeletedPrefix[] = "The Registry key could not be deleted: ";
inline constexpr char kUserAgentNotDeletedPrefix[] = "The User Agent String could not be deleted: ";
inline constexpr char kDeleteUserAgent[] = "Delete the User Agent String?";
inline constexpr char kUserAgentTitle[] = "User Agent";
inline constexpr char kPolicyRefusal[] = "Policy fix is for NT based systems only";
inline constexpr char kPolicyTitle[] = "Policy";
inline constexpr char kPolicyConfirm[] =
    "This will reset the SeDebugPrivilege for Administrators, if you already removed the "
    "KR8.BetterInternet files using Recovery Console";
inline constexpr char kPolicyReboot[] = "Windows needs to reboot to complete the repair";
inline constexpr char kAdminPolicyTitle[] = "Administrator Policy";
inline constexpr int kRightsToolResource = 101;
inline constexpr char kRightsTool[] = "\\NTrights.exe";
inline constexpr char kRightsToolArguments[] = "+r SeDebugPrivilege -u Administrators";
inline constexpr char kToolNotStarted[] =
    "The rights tool could not be started.\r\nNothing was changed.";
inline constexpr char kToolFailedPrefix[] = "The rights tool ended with error code ";
inline constexpr char kToolFailedSuffix[] =
    ".\r\nThe debug privilege may not have been restored; Windows was not restarted.";
inline constexpr char kForeignToolPrefix[] =
    "A file that this program did not write is already in the system folder:\r\n";
inline constexpr char kForeignToolSuffix[] =
    "\r\nIt was left untouched and nothing was run. Remove or rename it, then try again.";
inline constexpr char kToolNotWrittenPrefix[] = "The rights tool could not be written to ";
inline constexpr char kToolNotWrittenSuffix[] = "\r\nNothing was run.";
inline constexpr char kNotepad[] = "\\notepad.exe";
inline constexpr char kHostsFile[] = "\\drivers\\etc\\hosts";
inline constexpr char kHostsFolder[] = "\\drivers\\etc";
inline constexpr char kRegeditExe[] = "\\regedit.exe";

}  // namespace kr8::text
