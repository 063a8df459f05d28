// The controls of the main window as the handlers see them.
#pragma once

#include <string>

namespace kr8 {

enum class Button {
    CmdFind,
    CmdFix,
    CmdLog,
    CmdGuard,
    CmdUAS,
    CmdPol,
    CmdHosts,
    CmdRegedit,
    CmdExit
};

class WindowControls {
  public:
    virtual ~WindowControls() = default;

    // Text1, the findings report. Text handed in never holds a NUL.
    virtual std::string GetText1() = 0;
    virtual void SetText1(const std::string& text) = 0;

    // List1, the findings list: one check box an entry, kept in the order added.
    virtual void ClearList1() = 0;
    virtual void AddList1(const std::string& entry) = 0;
    virtual int List1Count() = 0;
    virtual std::string List1Entry(int index) = 0;
    virtual bool List1Checked(int index) = 0;
    virtual void SetList1Checked(int index, bool checked) = 0;
    virtual void RemoveList1(int index) = 0;
    // Makes the entry at index the current one; -1 leaves none current.
    virtual void SetList1Current(int index) = 0;

    virtual void SetEnabled(Button button, bool enabled) = 0;
    virtual bool IsEnabled(Button button) = 0;

    virtual void SetCaption(const std::string& caption) = 0;
};

}  // namespace kr8
