// The restore (remove/Restore.h) in the user's words: its one question and what it did, for the
// window, /restore and the offline program alike.
#pragma once

#include <string>

#include "app/MessageBoxes.h"
#include "remove/Restore.h"

namespace kr8 {

// Asks in a box whether a file that is there now is replaced; the default answer keeps it.
ReplaceQuestion ReplaceAskedIn(MessageBoxes& boxes);

// What was put back, or else each thing that was not and why: CR LF after every line.
std::string RestoreOutcomeText(const RestoreOutcome& outcome);

// Puts the folder's backup back, asking and then telling in boxes. True when all went back.
bool RestoreAndTell(const std::string& folder, FileSystem& files, BackupStore& store,
                    CommonFunction& folders, MessageBoxes& boxes);

}  // namespace kr8
