// The window's controls as the handlers see them: the report as UTF-8, the list's entries by
// index, the buttons by name.
#include "app/win32/MainWindow.h"

#include <commctrl.h>

#include <cstddef>

#include "sys/win32/Wide.h"

namespace kr8::win32 {

std::string MainWindow::GetText1() {
    HWND edit = Control(kText1);
    const auto length = static_cast<std::size_t>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    const LRESULT copied = SendMessageW(edit, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return Narrow(text);
}

void MainWindow::SetText1(const std::string& text) {
    const std::wstring wide = Wide(text);
    SendMessageW(Control(kText1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void MainWindow::ClearList1() {
    SendMessageW(Control(kList1), LVM_DELETEALLITEMS, 0, 0);
    FitList1Column();
}

void MainWindow::AddList1(const std::string& entry) {
    HWND list = Control(kList1);
    std::wstring text = Wide(entry);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_STATE;
    item.iItem = List1Count();
    item.pszText = text.data();
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(1);  // unticked
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    FitList1Column();
}

int MainWindow::List1Count() {
    return static_cast<int>(SendMessageW(Control(kList1), LVM_GETITEMCOUNT, 0, 0));
}

bool MainWindow::IsList1Index(int index) {
    return index >= 0 && index < List1Count();
}

std::string MainWindow::List1Entry(int index) {
    if (!IsList1Index(index)) {
        return {};
    }
    // The control copies at most the buffer, less its NUL, and says how much it copied.
    std::wstring text(MAX_PATH, L'\0');
    for (;;) {
        LVITEMW item{};
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        const auto copied = static_cast<std::size_t>(SendMessageW(Control(kList1), LVM_GETITEMTEXTW,
                                                                  static_cast<WPARAM>(index),
                                                                  reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < text.size()) {
            text.resize(copied);
            return Narrow(text);
        }
        text.assign(text.size() * 2, L'\0');
    }
}

bool MainWindow::List1Checked(int index) {
    if (!IsList1Index(index)) {
        return false;
    }
    const auto state = static_cast<UINT>(SendMessageW(
        Control(kList1), LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

void MainWindow::SetList1Checked(int index, bool checked) {
    if (!IsList1Index(index)) {
        return;
    }
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageW(Control(kList1), LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

void MainWindow::RemoveList1(int index) {
    if (!IsList1Index(index)) {
        return;
    }
    SendMessageW(Control(kList1), LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
    FitList1Column();
}

void MainWindow::SetList1Current(int index) {
    HWND list = Control(kList1);
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (index < 0) {
        // Index -1 sets the state of every entry.
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&item));
        return;
    }
    if (!IsList1Index(index)) {
        return;
    }
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
}

void MainWindow::FitList1Column() {
    HWND list = Control(kList1);
    // As wide as the longest entry, so that a long path scrolls rather than being cut, and at
    // least as wide as the list, so that a click anywhere on a row reaches its entry.
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
    RECT client{};
    GetClientRect(list, &client);
    if (SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0) < client.right) {
        SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, client.right);
    }
}

void MainWindow::SetEnabled(Button button, bool enabled) {
    HWND control = Control(IdOf(button));
    if (!enabled && GetFocus() == control) {
        // A disabled control keeps the focus it holds, and the keyboard would be stuck there.
        HWND next = GetNextDlgTabItem(window_, control, FALSE);
        SetFocus(next && next != control ? next : window_);
    }
    EnableWindow(control, enabled ? TRUE : FALSE);
}

bool MainWindow::IsEnabled(Button button) {
    return IsWindowEnabled(Control(IdOf(button))) != FALSE;
}

void MainWindow::SetCaption(const std::string& caption) {
    SetWindowTextW(window_, Wide(caption).c_str());
}

}  // namespace kr8::win32
