// The handlers' message boxes as the system's own.
#include "app/win32/MainWindow.h"

#include "app/Texts.h"
#include "sys/win32/Wide.h"

namespace kr8::win32 {

namespace {

// A box shows its text up to the first NUL; a name with one in it is shown whole, the NUL as a
// blank.
std::wstring BoxText(const std::string& text) {
    std::wstring wide = Wide(text);
    for (wchar_t& unit : wide) {
        if (unit == L'\0') {
            unit = L' ';
        }
    }
    return wide;
}

}  // namespace

MsgAnswer MainWindow::Show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                           const std::string& title) {
    UINT type = MB_OK;
    // What a box answers when it cannot be shown: never the answer that carries anything out.
    MsgAnswer refusal = MsgAnswer::Ok;
    switch (buttons) {
        case MsgButtons::Ok:
            break;
        case MsgButtons::OkCancel:
            type = MB_OKCANCEL;
            refusal = MsgAnswer::Cancel;
            break;
        case MsgButtons::YesNo:
            type = MB_YESNO;
            refusal = MsgAnswer::No;
            break;
        case MsgButtons::YesNoDefaultNo:
            type = MB_YESNO | MB_DEFBUTTON2;
            refusal = MsgAnswer::No;
            break;
    }
    if (icon == MsgIcon::Exclamation) {
        type |= MB_ICONEXCLAMATION;
    }
    // Owned by the window once it is on screen; before that (the platform refusal) a box of its
    // own, with its own taskbar button.
    HWND owner = window_ && IsWindowVisible(window_) ? window_ : nullptr;
    switch (MessageBoxW(owner, BoxText(prompt).c_str(),
                        BoxText(title.empty() ? text::kAppTitle : title).c_str(), type)) {
        case IDOK:
            return MsgAnswer::Ok;
        case IDCANCEL:
            return MsgAnswer::Cancel;
        case IDYES:
            return MsgAnswer::Yes;
        case IDNO:
            return MsgAnswer::No;
        default:
            return refusal;
    }
}

}  // namespace kr8::win32
