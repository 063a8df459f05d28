// Every text the window and the front ends show or write, and the registry places they use of
// their own. The adware's places are in scan/AdwarePlaces.h, the report's words in
// scan/ReportWords.h.
#pragma once

#include "scan/AdwarePlaces.h"
#include "scan/ReportWords.h"

namespace kr8::text {

inline constexpr char kCaption[] = "KR8 Finder";
inline constexpr char kAppTitle[] = "KR8Finder";

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
// The registry editor opens where the window's last Find points it.
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

// The command line. Its switches are named without their "/" or "-", and any letter case matches.
inline constexpr char kScanSwitch[] = "scan";
inline constexpr char kLogSwitch[] = "log";
inline constexpr char kRestoreSwitch[] = "restore";
inline constexpr char kOfflineSwitch[] = "offline";
inline constexpr char kUsage[] =
    "Usage: kr8finder.exe /scan [/log \"<path>\"]\r\n"
    "       kr8finder.exe /restore \"<backup folder>\"\r\n"
    "       kr8finder.exe /offline \"<Windows folder>\" [/scan [/log \"<path>\"] | /restore "
    "\"<backup folder>\"]\r\n"
    "\r\n"
    "Without arguments the program opens its window.\r\n"
    "\r\n"
    "/scan runs the Find scan without a window and writes its log to kr8.log in the temporary "
    "folder.\r\n"
    "/log \"<path>\" writes the log there instead.\r\n"
    "/restore puts back what the backup folder holds, as Restore from backup does.\r\n"
    "/offline works on the Windows in that folder on another disk (E:\\WINDOWS) instead of the "
    "running one.\r\n"
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

// Backups of what the program removes (remove/Manifest.h), and restoring them.
inline constexpr char kNoFileBackupPrefix[] = "No backup could be made of the file ";
inline constexpr char kNoKeyBackupPrefix[] = "No backup could be made of the Registry key ";
inline constexpr char kNoValueBackupPrefix[] = "No backup could be made of the User Agent String ";
inline constexpr char kNoBackupSuffix[] = "\r\nDelete it without a backup?";
inline constexpr char kNoBackupTitle[] = "No Backup";
inline constexpr char kRestoreMenu[] = "Restore from backup\xE2\x80\xA6";
inline constexpr char kRestoreTitle[] = "Restore from backup";
inline constexpr char kRestoreButton[] = "&Restore";
inline constexpr char kRestoreCancel[] = "Cancel";
inline constexpr char kRestorePick[] =
    "Backups, newest first. Everything in the one you pick is put back.";
inline constexpr char kNoBackupsPrefix[] = "There is no backup in ";
inline constexpr char kReplaceFilePrefix[] = "A file is there now:\r\n";
inline constexpr char kReplaceFileSuffix[] = "\r\nReplace it with the copy from the backup?";
inline constexpr char kRestoredAllPrefix[] = "Everything in the backup was put back:\r\n";
inline constexpr char kRestoreFailedPrefix[] = "These could not be put back:\r\n";
inline constexpr char kManifestUnreadable[] = "backup.txt is missing or cannot be read in ";
inline constexpr char kNotItsPlace[] =
    ": the backup names no place the program takes such things from; nothing was written";
inline constexpr char kRegFileHoldsMore[] =
    ": its .reg file holds more or other than this; nothing was written";
inline constexpr char kCopyChanged[] = ": the copy in the backup is missing or has changed";
inline constexpr char kStillReplacedAtRestart[] =
    ": is in its place as it was backed up, but unless Windows has restarted since it was "
    "removed, the restart will still replace it; restore it again after the restart";
inline constexpr char kFileKept[] = ": a file is there now, and was kept";
inline constexpr char kFileNotWritten[] = ": could not be written";
inline constexpr char kAttributesNotSet[] = ": its attributes could not be set";
inline constexpr char kRegFileUnreadable[] = ": its .reg file could not be read, ";
inline constexpr char kKeyNotCreated[] = ": the key could not be created";
inline constexpr char kValueNotWrittenPrefix[] = ": the value could not be written: ";

// Another disk's Windows, worked on from this one (/offline).
inline constexpr char kOfflineCaptionPrefix[] = "KR8 Finder - the Windows in ";
inline constexpr char kOfflineOpeningPrefix[] = "Working on the Windows in ";
inline constexpr char kOfflineOpeningSuffix[] =
    ", not on the one running.\r\n"
    "No process is ended and nothing is scheduled for a restart: a Windows that is not running "
    "holds no file in use. Restore Policy and Open Regedit do not apply to it.\r\n"
    "  \r\n";
inline constexpr char kOfflineNotDeletedPrefix[] =
    "This file could not be deleted. Nothing was scheduled for a restart, which would act on the "
    "running Windows and not on this one: ";
inline constexpr char kOfflineNoPrivilege[] =
    "The rights to load another Windows' registry (SeBackupPrivilege and SeRestorePrivilege) "
    "could not be enabled. Start the program as an administrator. Nothing was changed.";
inline constexpr char kOfflineHiveNotLoadedPrefix[] = "The registry hive could not be loaded: ";
inline constexpr char kOfflineErrorPrefix[] = " (error ";
inline constexpr char kOfflineNothingChanged[] = "Nothing was changed.";
inline constexpr char kOfflineOwnWindows[] =
    "This is the running Windows' own folder: start the program without /offline to work on it. "
    "Nothing was changed: ";
inline constexpr char kOfflineThroughLink[] =
    "The folder is reached through a junction or link, which could lead anywhere. Nothing was "
    "changed: ";
inline constexpr char kOfflineTitle[] = "Another disk's Windows";
inline constexpr char kOfflineHostsUnreachable[] =
    "The hosts file cannot be read on that disk (it is missing, or reached through a junction or "
    "link), so it was not opened: ";

// The command line that scans a Windows that is not running, from Linux.
inline constexpr char kOfflineUsage[] =
    "usage: kr8finder-offline <windows-folder> [--log <path>]\n"
    "  Scans the Windows installation whose Windows folder is given (for example\n"
    "  /mnt/win/WINDOWS), prints the report and writes the log (default: kr8.log in the\n"
    "  current folder, which must not lie on that disk).\n"
    "  Exit code: 0 nothing found, 1 something found, 2 the scan could not run whole.\n";
inline constexpr char kOfflineLogFile[] = "kr8.log";
inline constexpr char kHiveInSystemFolder[] = "\\config\\software";
inline constexpr char kNotAWindowsFolder[] =
    "This is no Windows folder (it holds no system32\\config\\software hive): ";
inline constexpr char kHiveUnreadable[] = "The registry hive cannot be read: ";
inline constexpr char kHivePending[] =
    "The registry hive has changes that Windows has not yet written into it (its .LOG file "
    "holds them). Start that Windows once and shut it down normally, then try again: ";
inline constexpr char kOfflineLogNotWritten[] = "The log could not be written: ";
inline constexpr char kDefaultLogOnTheDisk[] =
    "The current folder is on the disk to be scanned, and the log (kr8.log) would be written "
    "there. Start the program from another folder, or name the log's place with --log.";
inline constexpr char kNotWholeNothingChanged[] =
    "The scan could not read everything, so nothing was removed.";
inline constexpr char kOfflineUsageMore[] =
    "       kr8finder-offline --clean [--yes] <windows-folder> [--log <path>]\n"
    "  Scans, then removes what the window's Delete, Guardian .reg and User Agent$ would\n"
    "  remove, asking for each (default No; --yes answers Yes), after a backup of each under\n"
    "  the Windows folder's KR8 Backup and a copy of the whole hive there.\n"
    "       kr8finder-offline --restore <backup-folder> <windows-folder>\n"
    "  Puts back what the backup folder holds, as the Windows program's restore does.\n"
    "       kr8finder-offline --image <file> [--partition <n>] [--log <path>]\n"
    "  Scans a disk image (raw, E01, VHD, VMDK; FAT or NTFS) without mounting it or writing to\n"
    "  it: each Windows folder of each partition, or of partition n (numbered as Linux does).\n";
// The scan of a disk image: what it says beyond the reports.
inline constexpr char kImageRefusesChanges[] =
    "--clean and --restore change the disk, and a disk image is only ever read. Attach it as a "
    "read-write loop device (losetup -f -P --show <file>), mount the Windows partition with "
    "ntfs-3g and run kr8finder-offline --clean on the Windows folder there (see the README).";
inline constexpr char kNoSuchPartition[] = "The disk image has no partition ";
inline constexpr char kPartitionsAre[] = "; its partitions are:";
inline constexpr char kWholeImage[] = "The whole image";
inline constexpr char kPartitionPrefix[] = "Partition ";
inline constexpr char kNotScannedPrefix[] = " was not scanned: ";
inline constexpr char kNoWindowsFolderHere[] =
    " holds no Windows folder (none right under its root holds system32\\config\\software)";
inline constexpr char kSegmentsMissing[] =
    "Segments of the E01 image are missing or damaged (they are read as zeros), so part of the "
    "disk was not read: ";
inline constexpr char kImageEndsEarly[] =
    ": the image ends before its file system does (a copy cut short?); what lies past the end "
    "is not read";
inline constexpr char kFolderUnreadable[] = ": a folder could not be read: ";
inline constexpr char kRootUnreadable[] = ": its root folder could not be read";
inline constexpr char kImageNotWhole[] =
    "Not everything on the image could be read; the reports below show what could.";
inline constexpr char kNoWindowsInImage[] = "No Windows folder was found in the disk image: ";
inline constexpr char kWindowsFolderInfix[] = ", Windows folder ";
// The hive's copy in the backup folder.
inline constexpr char kHiveCopy[] = "\\software.hive";
inline constexpr char kAnswerSuffix[] = " [y/N] ";
inline constexpr char kReadOnlyMount[] =
    "The Windows folder is on a disk mounted read-only (a hibernated Windows is mounted so by "
    "ntfs-3g); nothing was changed: ";
inline constexpr char kUnsafeValueNames[] =
    "A value under Post Platform has a name with a NUL or one that cannot be read: removing the "
    "user-agent entry would rewrite it as another name. Nothing was changed.";
inline constexpr char kNotOnTheDrive[] = "The backup folder is not on that Windows' disk: ";
inline constexpr char kRemovedPrefix[] = "Removed: ";
inline constexpr char kNotRemovedPrefix[] = "NOT removed: ";
inline constexpr char kNoBackupSkipped[] = " (no backup could be made, so it was left alone)";
inline constexpr char kHiveNotSaved[] =
    "The registry hive could not be written; it is as it was before: ";

}  // namespace kr8::text
