// The removal and the restore of a Windows seen from outside, asked and told in the terminal.
#pragma once

#include <cstdio>
#include <string>

#include "app/MessageBoxes.h"
#include "app/offline/OfflineTarget.h"
#include "scan/Findings.h"

namespace kr8 {

// Questions on one line each, answered from in: only "y" or "yes" is a Yes, and no answer is a
// No; with yes, every question is answered Yes without reading.
class TerminalBoxes final : public MessageBoxes {
  public:
    TerminalBoxes(std::FILE* in, std::FILE* out, bool yes) : in_(in), out_(out), yes_(yes) {}
    MsgAnswer Show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override;

  private:
    std::FILE* in_;
    std::FILE* out_;
    bool yes_;
};

// Removes, after a question and a backup each, the files of the adware's length, the guardian
// key and the user-agent entry that found names; then looks again and says what went. Exit code
// 0 when everything asked for went, 2 when anything did not or the hive could not be written.
int CleanOffline(OfflineTarget& target, const Findings& found, MessageBoxes& boxes, std::FILE* out);

// Puts back what the backup folder (a Windows path on the target's drive) holds.
int RestoreOffline(OfflineTarget& target, const std::string& folder, MessageBoxes& boxes,
                   std::FILE* out);

}  // namespace kr8
