// The findings report's own words: its section titles and the lines that say a place was not
// looked at. The window, the log and the offline program all show the report as ReportText
// writes it.
#pragma once

namespace kr8::report {

inline constexpr char kCrLf[] = "\r\n";
inline constexpr char kFilesFound[] = "Files Found---";
inline constexpr char kAdditionalFiles[] = "Additional Files---";
inline constexpr char kKeysUnderNotify[] = "Keys Under Notify---";
inline constexpr char kGuardianLine[] = "Guardian Key--- is called: ";
inline constexpr char kUserAgentSection[] = "User Agent String---";
inline constexpr char kBlankLine[] = " ";
inline constexpr char kSystemFolderUnreadable[] =
    "The system folder could not be read: its files were not checked";
inline constexpr char kTempFolderMissing[] =
    "The temporary folder could not be found: upd126.exe and upd126new.exe were not checked";

}  // namespace kr8::report
