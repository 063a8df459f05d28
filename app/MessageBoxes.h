// The modal message boxes the handlers ask and tell the user with.
#pragma once

#include <string>

namespace kr8 {

// YesNoDefaultNo: Enter and Escape answer No, for questions whose Yes cannot be undone.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoDefaultNo };
enum class MsgIcon { None, Exclamation };
enum class MsgAnswer { Ok, Cancel, Yes, No };

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // A modal box over the main window; an empty title shows the application title.
    virtual MsgAnswer Show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                           const std::string& title) = 0;
};

}  // namespace kr8
