#include "app/win32/MainWindow.h"

#include <commctrl.h>

#include <cstddef>
#include <exception>
#include <optional>

#include "app/Texts.h"
#include "app/win32/ButtonFace.h"
#include "app/win32/ColourScheme.h"
#include "app/win32/RestoreDialog.h"
#include "app/win32/SystemMenu.h"
#include "app/win32/resource.h"
#include "sys/win32/Wide.h"

namespace kr8::win32 {

namespace {

constexpr wchar_t kClassName[] = L"KR8FinderWindow";
// A fixed border: the controls keep their places, so the window has nothing to gain from a
// different size.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The message font of the display, as the system's own dialog boxes use.
UniqueFont CreateMessageFont() {
    NONCLIENTMETRICSW metrics{};
    // Sized without the field that Vista added, which XP refuses to fill.
    metrics.cbSize = offsetof(NONCLIENTMETRICSW, lfMessageFont) + sizeof(metrics.lfMessageFont);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        return {};
    }
    return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

struct ControlClass {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassOf(ControlKind kind) {
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    switch (kind) {
        case ControlKind::Edit:
            return {
                L"EDIT",
                kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                WS_EX_CLIENTEDGE};
        case ControlKind::PushButton:
            return {L"BUTTON", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0};
        case ControlKind::ColouredButton:
        case ControlKind::PictureButton:
            // Version 6 push buttons ignore WM_CTLCOLORBTN, and earlier ones show no picture, so
            // these paint their own face.
            return {L"BUTTON", kChild | WS_TABSTOP | BS_OWNERDRAW, 0};
        case ControlKind::GroupBox:
            return {L"BUTTON", kChild | BS_GROUPBOX, 0};
        case ControlKind::CheckList:
            // A list-view rather than a list box, so that screen readers and UI automation read
            // each entry's check box through the control's standard messages.
            return {WC_LISTVIEWW,
                    kChild | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
                        LVS_SHOWSELALWAYS,
                    WS_EX_CLIENTEDGE};
    }
    return {L"BUTTON", kChild, 0};
}

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    // Shared icons belong to the system: the class can outlive this object in the tests.
    windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_KR8FINDER),
                                                      IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                      GetSystemMetrics(SM_CYICON), LR_SHARED));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_KR8FINDER),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    // IDC_ARROW is a number in a pointer, spelt for the ANSI call; the wide call takes the same.
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

int DisplayDpi() {
    ScreenDc screen;
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSX);
    return dpi > 0 ? dpi : 96;  // the system's default
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, const Machine& machine, HighContrastQuery highContrast)
    : instance_(instance), highContrast_(highContrast), form_(*this, *this, machine) {}

MainWindow::~MainWindow() {
    if (window_) {
        DestroyWindow(window_);
    }
}

bool MainWindow::Load() {
    if (!Create()) {
        return false;
    }
    if (!form_.Form_Load()) {
        DestroyWindow(window_);
        return false;
    }
    return true;
}

void MainWindow::Display(int showCommand) {
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
}

int MainWindow::Run() {
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            return static_cast<int>(message.wParam);
        }
        if (got == -1) {
            return 1;
        }
        if (!HandleKeys(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

bool MainWindow::HandleKeys(MSG& message) {
    if (!window_) {
        return false;
    }
    // The window is no dialog box, so the dialog manager would turn Enter into IDOK. Enter on
    // the focused button clicks it instead, as in a dialog box.
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
        IsPushButton(message.hwnd)) {
        SendMessageW(message.hwnd, BM_CLICK, 0, 0);
        return true;
    }
    return IsDialogMessageW(window_, &message) != 0;
}

HWND MainWindow::Control(ControlId id) const {
    return GetDlgItem(window_, id);
}

bool MainWindow::Create() {
    if (!RegisterWindowClass(instance_, WindowProc)) {
        return false;
    }

    const int dpi = DisplayDpi();
    const SIZE client = ClientSizePixels(dpi);
    RECT frame{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    CreateWindowExW(0, kClassName, Wide(form_.Caption()).c_str(), kWindowStyle, CW_USEDEFAULT,
                    CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                    nullptr, instance_, this);
    if (!window_) {
        return false;
    }
    font_ = CreateMessageFont();
    CreateControls(dpi);
    AddRestoreMenuItem(window_);
    focusOnActivate_ = Control(kCmdExit);
    return true;
}

void MainWindow::CreateControls(int dpi) {
    regeditPicture_ = LoadButtonPicture(instance_, IDI_REGEDIT, IDI_REGEDIT_DISABLED);
    deletePicture_ = LoadButtonPicture(instance_, IDI_DELETE, IDI_DELETE_DISABLED);

    for (const ControlLayout& layout : kControls) {
        const ControlClass type = ClassOf(layout.kind);
        const RECT rect = PixelRect(layout, dpi);
        DWORD style = type.style;
        if (!layout.enabledAtStart) {
            style |= WS_DISABLED;
        }
        HWND control = CreateWindowExW(
            type.exStyle, type.className, Wide(layout.caption).c_str(), style, rect.left, rect.top,
            rect.right - rect.left, rect.bottom - rect.top, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance_, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }

    // Multi-line edit controls stop at 32 KB unless told otherwise, and a long report must
    // never be cut.
    SendMessageW(Control(kText1), EM_SETLIMITTEXT, 0, 0);

    HWND list = Control(kList1);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    FitList1Column();

    // Frame1 comes before its contents in the tab order, which puts it above them; at the
    // bottom it paints first and its contents are drawn over it.
    SetWindowPos(Control(kFrame1), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int code = HIWORD(wParam);
            // Owner-drawn buttons report a quick second click as a double click; it is a click.
            if (lParam != 0 && (code == BN_CLICKED || code == BN_DOUBLECLICKED)) {
                OnClick(LOWORD(wParam));
                return 0;
            }
            break;
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlType == ODT_BUTTON) {
                PaintOwnButton(*item);
                return TRUE;
            }
            break;
        }
        case WM_SYSCOLORCHANGE:
            // Common controls take the new colours only from their parent.
            SendMessageW(Control(kList1), WM_SYSCOLORCHANGE, 0, 0);
            RedrawWindow(window_, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
            return 0;
        case WM_SETTINGCHANGE:
            // High contrast may have been switched on or off, with or without a new scheme.
            RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            break;
        case WM_NEXTDLGCTL: {
            // A multi-line edit takes Tab itself and asks its parent to move on, as it would ask
            // a dialog box.
            HWND next = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                       : GetNextDlgTabItem(window_, GetFocus(), wParam != 0);
            if (next) {
                SetFocus(next);
            }
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(window_, focus)) {
                    focusOnActivate_ = focus;
                }
            }
            break;
        case WM_SETFOCUS: {
            HWND focus = focusOnActivate_;
            if (!focus || !IsWindowEnabled(focus)) {
                focus = GetNextDlgTabItem(window_, nullptr, FALSE);
            }
            if (focus) {
                SetFocus(focus);
            }
            return 0;
        }
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == kRestoreCommand) {
                // As a click: a failure ends the restore, never the process.
                try {
                    form_.RestoreFromMenu([this](const std::vector<BackupFolder>& folders) {
                        return PickBackup(window_, folders);
                    });
                } catch (const std::exception& failure) {
                    Show(failure.what(), MsgButtons::Ok, MsgIcon::Exclamation, "");
                }
                DestroyIfLeft();
                return 0;
            }
            break;
        case WM_CLOSE:
            if (form_.Busy()) {
                LeaveOnceIdle();  // as Exit
                return 0;
            }
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            HWND window = window_;
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            window_ = nullptr;
            return DefWindowProcW(window, message, wParam, lParam);
        }
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::PaintOwnButton(const DRAWITEMSTRUCT& item) {
    const SchemeColours scheme = SystemScheme(highContrast_());
    switch (item.CtlID) {
        case kCmdFix:
            PaintButton(item, ChooseButtonColours(scheme, std::nullopt), &deletePicture_);
            break;
        case kCmdRegedit:
            PaintButton(item, ChooseButtonColours(scheme, std::nullopt), &regeditPicture_);
            break;
        default:
            PaintButton(item, ChooseButtonColours(scheme, kLightRed), nullptr);
            break;
    }
}

void MainWindow::OnClick(int id) {
    const std::optional<Button> button = ButtonOf(id);
    if (!button) {
        return;
    }
    // The handlers hold the program's logic and may fail; a failure ends the click, never the
    // process, and never unwinds through the window system's frames.
    try {
        switch (*button) {
            case Button::CmdExit:
                if (form_.Busy()) {
                    LeaveOnceIdle();
                } else {
                    DestroyWindow(window_);
                }
                break;
            default:
                // The form runs the button's handler, and drops the click while another
                // handler is still running.
                form_.Click(*button);
                break;
        }
    } catch (const std::exception& failure) {
        Show(failure.what(), MsgButtons::Ok, MsgIcon::Exclamation, "");
    }
    DestroyIfLeft();
}

void MainWindow::DestroyIfLeft() {
    // The user left while the handler waited; it has returned now, and the window goes.
    if (leaving_ && !form_.Busy() && window_) {
        DestroyWindow(window_);
    }
}

void MainWindow::LeaveOnceIdle() {
    // The handler under way waits for an outside program that may never end. The quit ends the
    // wait (the handler then does nothing more), and stays queued for the message loop, which
    // ends the process; the window itself goes once the handler has returned to OnClick, since
    // the handler still uses it on its way out.
    if (!leaving_) {
        leaving_ = true;
        PostQuitMessage(0);
    }
}

bool MainWindow::IsPushButton(HWND control) const {
    if (!control || GetParent(control) != window_) {
        return false;
    }
    const int id = GetDlgCtrlID(control);
    for (const ControlLayout& layout : kControls) {
        if (layout.id == id) {
            return layout.kind == ControlKind::PushButton ||
                   layout.kind == ControlKind::ColouredButton ||
                   layout.kind == ControlKind::PictureButton;
        }
    }
    return false;
}

}  // namespace kr8::win32
