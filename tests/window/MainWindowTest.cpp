// The real window against the in-memory machine: only what the window itself decides. The
// handlers' decisions are the unit tests' and the keyboard's Tab order is the end-to-end roads'.
#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

#include "app/ButtonColours.h"
#include "app/Texts.h"
#include "app/win32/ColourScheme.h"
#include "app/win32/Layout.h"
#include "app/win32/MainWindow.h"
#include "app/win32/SystemMenu.h"
#include "remove/win32/LaunchAppSychronousWin32.h"
#include "sys/win32/Wide.h"
#include "tests/fakes/FakeMachine.h"
#include "tests/win32/Setup.h"

namespace kr8::win32 {
namespace {

using namespace std::string_literals;

// Black pixels in the top (0) or bottom (2) third of the button, inside its edges.
int BlackPixels(HWND button, int third) {
    RECT rect{};
    GetClientRect(button, &rect);
    HDC dc = GetDC(button);
    int count = 0;
    for (LONG y = std::max(3L, rect.bottom * third / 3);
         y < std::min(rect.bottom - 3, rect.bottom * (third + 1) / 3); ++y) {
        for (int x = 3; x < rect.right - 3; ++x) {
            count += GetPixel(dc, x, y) == RGB(0, 0, 0) ? 1 : 0;
        }
    }
    ReleaseDC(button, dc);
    return count;
}

// The button's face, just inside its left edge, and the contrast with it of the inside's pixel
// that differs from it most: the caption's contrast as drawn.
std::pair<COLORREF, double> FaceAndCaptionContrast(HWND button) {
    RECT rect{};
    GetClientRect(button, &rect);
    HDC dc = GetDC(button);
    const COLORREF face = GetPixel(dc, 5, rect.bottom / 2);
    double most = 1.0;
    for (int y = 4; y < rect.bottom - 4; ++y) {
        for (int x = 4; x < rect.right - 4; ++x) {
            most = std::max(most, ContrastRatio(ToRgb(face), ToRgb(GetPixel(dc, x, y))));
        }
    }
    ReleaseDC(button, dc);
    return {face, most};
}

// Wine cannot switch high contrast on, so the window asks the test.
bool highContrast = false;

struct SeenBox {
    std::string prompt;
    int defaultId = 0;
};

// Answers the next message box with this title from another thread, as its user would, and
// notes its prompt and default button.
std::thread Answer(const std::string& title, int answerId, SeenBox& seen) {
    return std::thread([title, answerId, &seen] {
        HWND box = nullptr;
        for (int tries = 0; tries < 200 && !(box && IsWindowVisible(box)); ++tries) {
            Sleep(box ? 0 : 50);
            box = FindWindowA("#32770", title.c_str());
        }
        char prompt[512] = {};
        GetDlgItemTextA(box, 0xFFFF, prompt, sizeof(prompt));  // the text's id in every box
        seen.prompt = prompt;
        for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
            const auto style = GetWindowLongPtrA(GetDlgItem(box, id), GWL_STYLE);
            seen.defaultId = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON ? id : seen.defaultId;
        }
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(answerId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, answerId)));
    });
}

class WindowTest : public ::testing::Test {
  protected:
    ~WindowTest() override {
        DestroyWindow(window.Handle());
        Pump();
    }
    // Handles what is queued, the way the program's message loop does.
    bool Pump() {
        MSG message;
        bool quit = false;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            quit = quit || message.message == WM_QUIT;
            if (message.message != WM_QUIT && !window.HandleKeys(message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        return quit;
    }
    void SetUp() override {
        ASSERT_TRUE(window.Load());
        window.Display(SW_SHOWNORMAL);
        SetForegroundWindow(window.Handle());
        Pump();
    }
    HWND Control(ControlId id) { return window.Control(id); }

    fake::FakeMachine fakes;
    MainWindow window{GetModuleHandleA(nullptr), fakes.machine, [] { return highContrast; }};
};

TEST_F(WindowTest, ShownWindowPaintsAndFocusesItsControlsAndOffersTheRestore) {
    // The window draws the pictures itself, as common controls 5.8 draw none: the picture's
    // black outline at the top, the black caption at the bottom, and no black at all in the grey
    // picture of a disabled button.
    for (Button b : {Button::CmdRegedit, Button::CmdFix}) {
        SCOPED_TRACE(static_cast<int>(b));
        EXPECT_EQ(BlackPixels(Control(IdOf(b)), 0), 0);
        window.SetEnabled(b, true);
        UpdateWindow(Control(IdOf(b)));
        EXPECT_GT(BlackPixels(Control(IdOf(b)), 0), 20);
        EXPECT_GT(BlackPixels(Control(IdOf(b)), 2), 10);
    }

    // A disabled control with the focus would leave the keyboard with nowhere to go.
    window.SetEnabled(Button::CmdGuard, true);
    SetFocus(Control(kCmdGuard));
    window.SetEnabled(Button::CmdGuard, false);
    EXPECT_NE(GetFocus(), Control(kCmdGuard));
    EXPECT_TRUE(IsChild(window.Handle(), GetFocus()) && IsWindowEnabled(GetFocus()));

    wchar_t restoreItem[64] = {};
    GetMenuStringW(GetSystemMenu(window.Handle(), FALSE), kRestoreCommand, restoreItem, 64,
                   MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(restoreItem), L"Restore from backup\u2026");
}

// Hosts Log is enabled and Make Log disabled before a scan. A dark scheme gives white button
// text, which the light red face would make unreadable; high contrast takes the scheme whole.
TEST_F(WindowTest, LightRedButtonsStayReadableInADarkSchemeAndHighContrastTakesItsColours) {
    const COLORREF black = RGB(0, 0, 0), red = ToColorRef(kLightRed);
    int elements[] = {COLOR_BTNFACE, COLOR_BTNTEXT};
    COLORREF before[] = {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)};
    COLORREF dark[] = {black, RGB(255, 255, 255)};
    SetSysColors(2, elements, dark);
    SetFocus(Control(kText1));
    RedrawWindow(window.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const auto enabled = FaceAndCaptionContrast(Control(kCmdHosts));
    const auto disabled = FaceAndCaptionContrast(Control(kCmdLog));
    EXPECT_EQ(enabled.first, red);
    EXPECT_GE(enabled.second, kTextContrast);
    EXPECT_EQ(disabled.first, red);
    EXPECT_GE(disabled.second, kMarkContrast);
    EXPECT_LT(disabled.second, enabled.second - 1.0) << "a disabled caption must be told apart";

    highContrast = true;
    SendMessageA(window.Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    RedrawWindow(window.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    highContrast = false;
    const auto hosts = FaceAndCaptionContrast(Control(kCmdHosts));
    EXPECT_EQ(hosts.first, black);
    EXPECT_NEAR(hosts.second, 21.0, 0.01) << "the scheme's own text";
    EXPECT_EQ(FaceAndCaptionContrast(Control(kCmdLog)).first, black);
    SetSysColors(2, elements, before);
}

// Screen readers name each button by its caption, the owner-drawn ones included, and the list by
// its frame's caption. The list's entries are its items, ticked by their state images, which
// Windows' list-view proxy reads out; Wine's has none.
TEST_F(WindowTest, ScreenReadersNameEachControlByItsCaption) {
    for (const ControlLayout& c : kControls) {
        if (c.kind == ControlKind::Edit || c.kind == ControlKind::GroupBox) {
            continue;
        }
        IAccessible* accessible = nullptr;
        ASSERT_EQ(AccessibleObjectFromWindow(Control(c.id), static_cast<DWORD>(OBJID_CLIENT),
                                             __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&accessible)),
                  S_OK);
        VARIANT self{};
        self.vt = VT_I4;  // CHILDID_SELF
        BSTR name = nullptr;
        EXPECT_EQ(accessible->get_accName(self, &name), S_OK);
        std::string expected = c.caption;
        expected.erase(std::remove(expected.begin(), expected.end(), '&'), expected.end());
        EXPECT_EQ(Narrow(name ? name : L""), expected);
        SysFreeString(name);
        accessible->Release();
    }
}

// The default button decides what Enter does to a question; a name with a NUL is shown whole.
TEST_F(WindowTest, MessageBoxesMapButtonsDefaultsTitlesAndAnswers) {
    for (const auto& [buttons, title, answerId, answer, defaultId] :
         {std::tuple{MsgButtons::YesNo, ""s, IDNO, MsgAnswer::No, IDYES},
          std::tuple{MsgButtons::OkCancel, "Own title"s, IDCANCEL, MsgAnswer::Cancel, IDOK},
          std::tuple{MsgButtons::YesNoDefaultNo, ""s, IDYES, MsgAnswer::Yes, IDNO},
          std::tuple{MsgButtons::YesNo, "Guard\0hid"s, IDNO, MsgAnswer::No, IDYES}}) {
        SCOPED_TRACE(answerId);
        std::string shown = title.empty() ? text::kAppTitle : title;
        std::replace(shown.begin(), shown.end(), '\0', ' ');
        SeenBox seen;
        std::thread box = Answer(shown, answerId, seen);
        EXPECT_EQ(window.Show("Delete " + title, buttons, MsgIcon::Exclamation, title), answer);
        box.join();
        EXPECT_EQ(seen.prompt, "Delete " + shown.substr(0, title.size()));
        EXPECT_EQ(seen.defaultId, defaultId);
    }
}

TEST_F(WindowTest, Text1AndList1KeepLongTextWholeText1TakesEnterList1ShowsTheCurrentEntry) {
    std::string report;
    while (report.size() < 200000) {
        report += "C:\\WINDOWS\\system32\\qwxz" + std::to_string(report.size()) + ".dll\r\n";
    }
    report += "C:\\WINDOWS\\system32\\\xE6\xBC\xA2.dll \xF0\x9F\x98\x80\r\n";
    window.SetText1(report);
    EXPECT_EQ(window.GetText1(), report);

    // Past the default 32 KB limit of a multi-line edit, typing is refused; Enter there is a
    // line break, not a click of the focused button.
    HWND edit = Control(kText1);
    SetFocus(edit);
    const auto end = static_cast<WPARAM>(report.size());
    SendMessageA(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed"));
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
    Pump();
    EXPECT_EQ(window.GetText1(), report + "typed\r\n");
    EXPECT_NE(window.Handle(), nullptr);

    // An entry names the file to delete, so it comes back exactly as added, past MAX_PATH too.
    const std::string deep = "C:\\" + std::string(300, 'x') + "\\\xE6\xBC\xA2 \xF0\x9F\x98\x80.dll";
    window.AddList1("C:\\a.dll");
    window.AddList1(deep);
    EXPECT_EQ(window.List1Entry(1), deep);

    // The entry asked about is List1's selected and focused one; -1 leaves none.
    HWND list = Control(kList1);
    window.SetList1Current(1);
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 1);
    window.SetList1Current(-1);
    EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
}

// An owner-drawn button reports the second of two quick clicks as a double click.
TEST_F(WindowTest, EachClickOfADoubleClickRunsTheHandlerOnce) {
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
        SendMessageA(Control(kCmdHosts), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                     MAKELPARAM(5, 5));
    }
    EXPECT_EQ(fakes.shell.requests.size(), 2u);
}

// The real launcher, running a program that outlasts the test whatever it was asked to run, and
// leaving (as the user would) just as the wait starts.
class HangingLauncher final : public LaunchAppSychronous {
  public:
    RunResult RunAndWait(const std::string&, const std::string&) override {
        const std::string autoExe = test::Beside("kr8auto.exe");
        PostMessageW(leaveTo, leave, 0, 0);
        result = real_.RunAndWait(autoExe, "hold-readable \"" + autoExe + "\" 30");
        keptThroughTheWait = IsWindow(leaveTo) != FALSE;
        return result;
    }
    HWND leaveTo = nullptr;
    UINT leave = 0;
    RunResult result;
    bool keptThroughTheWait = false;

  private:
    LaunchAppSychronousWin32 real_;
};

// Exit or the close box while the handler waits for a program that hangs: the wait is given up
// and the window goes once the handler has returned. That the handler then does nothing more is
// the unit tests' (CmdFix.ClicksWhileBusyAreDroppedAndAnAbandonedWaitEndsTheHandler).
TEST_F(WindowTest, ExitOrCloseWhileAProgramHangsEndsTheWaitAndTheProgram) {
    const std::string adware = std::string(fake::kSystem) + "\\qwxz1834.dll";
    fakes.files.AddFile(adware, 320872);
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Exit");
        HangingLauncher launcher;
        MainWindow hung{
            GetModuleHandleA(nullptr),
            Machine{fakes.reg, fakes.os, fakes.os, fakes.files, fakes.clock, fakes.processes,
                    launcher, fakes.restart, fakes.shell, fakes.resources, fakes.store}};
        ASSERT_TRUE(hung.Load());
        hung.Display(SW_SHOWNORMAL);
        SendMessageA(hung.Control(kCmdFind), BM_CLICK, 0, 0);
        ListView_SetCheckState(hung.Control(kList1), 0, TRUE);
        launcher.leaveTo = closeBox ? hung.Handle() : hung.Control(kCmdExit);
        launcher.leave = closeBox ? WM_CLOSE : BM_CLICK;
        SeenBox seen;
        std::thread confirm = Answer(text::kConfirmDeleteTitle, IDYES, seen);
        SendMessageA(hung.Control(kCmdFix), BM_CLICK, 0, 0);
        confirm.join();
        EXPECT_EQ(launcher.result.outcome, RunOutcome::Abandoned);
        EXPECT_TRUE(launcher.keptThroughTheWait) << "the handler still uses the window";
        EXPECT_EQ(hung.Handle(), nullptr);
        EXPECT_TRUE(Pump()) << "the message loop ends, and with it the process";
    }
}

}  // namespace
}  // namespace kr8::win32
