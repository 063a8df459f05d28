#include "app/UnattendedScan.h"

#include <cstddef>
#include <exception>
#include <set>
#include <vector>

#include "app/LogFile.h"
#include "app/Texts.h"

namespace kr8 {

namespace {

// The window's controls as the scan fills them, kept where nobody sees them.
class UnseenControls final : public WindowControls {
  public:
    std::string GetText1() override { return text_; }
    void SetText1(const std::string& text) override { text_ = text; }
    void ClearList1() override { list_.clear(); }
    void AddList1(const std::string& entry) override { list_.push_back(entry); }
    int List1Count() override { return static_cast<int>(list_.size()); }
    std::string List1Entry(int index) override {
        return IsIndex(index) ? list_[static_cast<std::size_t>(index)] : "";
    }
    bool List1Checked(int) override { return false; }
    void SetList1Checked(int, bool) override {}
    void RemoveList1(int index) override {
        if (IsIndex(index)) {
            list_.erase(list_.begin() + index);
        }
    }
    void SetList1Current(int) override {}
    void SetEnabled(Button button, bool enabled) override {
        if (enabled) {
            enabled_.insert(button);
        } else {
            enabled_.erase(button);
        }
    }
    bool IsEnabled(Button button) override { return enabled_.count(button) != 0; }
    void SetCaption(const std::string&) override {}

  private:
    bool IsIndex(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < list_.size();
    }

    std::string text_;
    std::vector<std::string> list_;
    std::set<Button> enabled_;
};

// Nobody is there to answer, so every box answers with the choice that carries nothing out.
class UnseenBoxes final : public MessageBoxes {
  public:
    MsgAnswer Show(const std::string&, MsgButtons buttons, MsgIcon, const std::string&) override {
        switch (buttons) {
            case MsgButtons::OkCancel:
                return MsgAnswer::Cancel;
            case MsgButtons::YesNo:
            case MsgButtons::YesNoDefaultNo:
                return MsgAnswer::No;
            case MsgButtons::Ok:
                break;
        }
        return MsgAnswer::Ok;
    }
};

}  // namespace

int RunUnattendedScan(const Machine& machine, const std::optional<std::string>& logPath) {
    UnseenControls controls;
    UnseenBoxes boxes;
    FrmKR8 form(controls, boxes, machine);
    form.SetsRegeditLastKey = false;
    // A failure inside the scan ends it as a scan that could not run, never as a crash that a
    // script would count as something else.
    try {
        if (!form.Form_Load()) {
            return kExitFailed;
        }
        std::string path;
        if (logPath) {
            path = *logPath;
        } else {
            const std::string folder = machine.folders.GetTempFolder();
            // Without it the log would land at the root of the drive.
            if (folder.empty()) {
                return kExitFailed;
            }
            path = folder + text::kLogFile;
        }
        form.CmdFind_Click();
        if (!machine.files.WriteFileBytes(path, LogFileBytes(controls.GetText1()))) {
            return kExitFailed;
        }
        // A folder that could not be read or found is no clean machine; the log says which.
        if (!form.SystemFolderRead || !form.TempFolderFound) {
            return kExitFailed;
        }
        const bool found = controls.List1Count() > 0 || form.FixedNamesFound > 0 ||
                           !form.GuardianKeyName.empty() || !form.UserAgentString.empty();
        return found ? kExitFound : kExitNothingFound;
    } catch (const std::exception&) {
        return kExitFailed;
    }
}

}  // namespace kr8
