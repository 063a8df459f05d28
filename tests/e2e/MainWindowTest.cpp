// The real window against the in-memory machine: its layout, its controls behind the
// WindowControls seam, its message boxes, its clicks and its keys.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/Texts.h"
#include "app/win32/Layout.h"
#include "app/win32/MainWindow.h"
#include "app/win32/SystemMenu.h"
#include "remove/win32/LaunchAppSychronousWin32.h"
#include "sys/win32/Wide.h"
#include "tests/fakes/FakeMachine.h"

namespace kr8::win32 {
namespace {

using namespace std::string_literals;

std::string TextOf(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

RECT ClientRectOf(HWND control, HWND parent) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT common{};
    return IntersectRect(&common, &a, &b) != FALSE;
}

// Black pixels in the top (0) or bottom (2) third of the button, inside its edges.
int BlackPixels(HWND button, int third) {
    RECT rect{};
    GetClientRect(button, &rect);
    const int top = std::max(3L, rect.bottom * third / 3);
    const int bottom = std::min(rect.bottom - 3, rect.bottom * (third + 1) / 3);
    HDC dc = GetDC(button);
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 3; x < rect.right - 3; ++x) {
            count += GetPixel(dc, x, y) == RGB(0, 0, 0) ? 1 : 0;
        }
    }
    ReleaseDC(button, dc);
    return count;
}

TEST(Layout, EveryControlFitsTheClientAreaAndOnlyFrame1HoldsOthers) {
    // Fifteen twips make a pixel at 96 dpi, as the original form's size in twips says.
    EXPECT_EQ(ClientSizePixels(96).cx, 391);
    EXPECT_EQ(ClientSizePixels(96).cy, 351);
    for (int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        const SIZE client = ClientSizePixels(dpi);
        const RECT clientRect{0, 0, client.cx, client.cy};
        RECT frame{};
        for (const ControlLayout& c : kControls) {
            if (c.id == kFrame1) {
                frame = PixelRect(c, dpi);
            }
        }
        for (const ControlLayout& a : kControls) {
            const RECT ra = PixelRect(a, dpi);
            EXPECT_TRUE(Inside(ra, clientRect)) << a.id;
            EXPECT_EQ(a.inFrame1, a.id != kFrame1 && Inside(ra, frame)) << a.id;
            for (const ControlLayout& b : kControls) {
                if (&a != &b && a.id != kFrame1 && b.id != kFrame1) {
                    EXPECT_FALSE(Overlap(ra, PixelRect(b, dpi))) << a.id << " and " << b.id;
                }
            }
        }
    }
}

// Answers the next message box with the given title from another thread, as its user would,
// and keeps its prompt and default button; the end-to-end scripts read boxes through kr8auto.
class BoxAnswerer {
  public:
    BoxAnswerer(const char* title, int answerId)
        : thread_([this, title, answerId] {
              HWND box = nullptr;
              for (int tries = 0; tries < 200 && !(box && IsWindowVisible(box)); ++tries) {
                  Sleep(box ? 0 : 50);
                  box = FindWindowA("#32770", title);
              }
              if (!box) {
                  return;
              }
              for (HWND child = GetWindow(box, GW_CHILD); child;
                   child = GetWindow(child, GW_HWNDNEXT)) {
                  const auto style = GetWindowLongPtrA(child, GWL_STYLE);
                  if (ClassOf(child) == "Button" && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                      defaultId = GetDlgCtrlID(child);
                  } else if (ClassOf(child) == "Static" && (style & SS_TYPEMASK) != SS_ICON &&
                             !TextOf(child).empty()) {
                      prompt = TextOf(child);
                  }
              }
              PostMessageA(box, WM_COMMAND, MAKEWPARAM(answerId, BN_CLICKED),
                           reinterpret_cast<LPARAM>(GetDlgItem(box, answerId)));
          }) {}
    ~BoxAnswerer() { Join(); }
    void Join() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    std::string prompt;
    int defaultId = 0;

  private:
    std::thread thread_;
};

class WindowTest : public ::testing::Test {
  protected:
    WindowTest() { Drain(); }
    ~WindowTest() override {
        DestroyWindow(window.Handle());
        Drain();
    }

    // Handles what is queued, the way the program's message loop does.
    void Pump() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quitPosted = true;
            } else if (!window.HandleKeys(message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
    }

    void Drain() {
        Pump();
        quitPosted = false;
    }

    void LoadAndShow() {
        ASSERT_TRUE(window.Load());
        window.Display(SW_SHOWNORMAL);
        SetForegroundWindow(window.Handle());
        Pump();
    }

    HWND Control(ControlId id) { return window.Control(id); }

    void Key(HWND target, UINT message, WPARAM key) {
        PostMessageA(target, message, key, 1);
        Pump();
    }

    fake::FakeMachine fakes;
    fake::FakeOs& os = fakes.os;
    fake::FakeFiles& files = fakes.files;
    MainWindow window{GetModuleHandleA(nullptr), fakes.machine};
    bool quitPosted = false;
};

TEST_F(WindowTest, ShownWindowFocusesExitPaintsButtonFacesAndPicturesAndMovesFocusOffDisabledOnes) {
    LoadAndShow();
    EXPECT_EQ(GetFocus(), Control(kCmdExit));
    ScreenDc screen;
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSX);
    for (const ControlLayout& c : kControls) {
        const RECT placed = ClientRectOf(Control(c.id), window.Handle());
        const RECT planned = PixelRect(c, dpi);
        EXPECT_TRUE(EqualRect(&placed, &planned)) << c.id;
    }

    auto faceColour = [](HWND button) {
        RECT rect{};
        GetClientRect(button, &rect);
        HDC dc = GetDC(button);
        // Left of the centred caption, inside the edges.
        const COLORREF colour = GetPixel(dc, 5, rect.bottom / 2);
        ReleaseDC(button, dc);
        return colour;
    };
    EXPECT_EQ(faceColour(Control(kCmdHosts)), kLightRed);
    EXPECT_EQ(faceColour(Control(kCmdLog)), kLightRed);  // disabled, still red
    EXPECT_NE(faceColour(Control(kCmdPol)), kLightRed);

    // The window draws the pictures itself, as common controls 5.8 draw none: the picture's
    // black outline at the top, the black caption at the bottom, and no black at all in the grey
    // picture of a disabled button.
    for (Button b : {Button::CmdRegedit, Button::CmdFix}) {
        SCOPED_TRACE(static_cast<int>(b));
        HWND button = Control(IdOf(b));
        EXPECT_EQ(GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
        EXPECT_EQ(BlackPixels(button, 0), 0);
        window.SetEnabled(b, true);
        UpdateWindow(button);
        EXPECT_GT(BlackPixels(button, 0), 20);
        EXPECT_GT(BlackPixels(button, 2), 10);
    }

    // A disabled control with the focus would leave the keyboard with nowhere to go.
    window.SetEnabled(Button::CmdGuard, true);
    SetFocus(Control(kCmdGuard));
    ASSERT_EQ(GetFocus(), Control(kCmdGuard));
    window.SetEnabled(Button::CmdGuard, false);
    EXPECT_FALSE(window.IsEnabled(Button::CmdGuard));
    HWND focus = GetFocus();
    EXPECT_NE(focus, Control(kCmdGuard));
    EXPECT_TRUE(IsChild(window.Handle(), focus));
    EXPECT_TRUE(IsWindowEnabled(focus));

    wchar_t restoreItem[64] = {};
    GetMenuStringW(GetSystemMenu(window.Handle(), FALSE), kRestoreCommand, restoreItem, 64,
                   MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(restoreItem), L"Restore from backup\u2026");
}

// The default button decides what Enter does to a question; a name with a NUL is shown whole.
TEST_F(WindowTest, MessageBoxesMapButtonsDefaultsTitlesAndAnswers) {
    LoadAndShow();
    const struct {
        MsgButtons buttons;
        std::string title;
        int answerId;
        MsgAnswer answer;
        int defaultId;
    } cases[] = {
        {MsgButtons::YesNo, "", IDNO, MsgAnswer::No, IDYES},
        {MsgButtons::OkCancel, "Own title", IDCANCEL, MsgAnswer::Cancel, IDOK},
        {MsgButtons::Ok, "", IDOK, MsgAnswer::Ok, IDOK},
        {MsgButtons::YesNoDefaultNo, "", IDYES, MsgAnswer::Yes, IDNO},
        {MsgButtons::YesNo, "Guard\0hid"s, IDNO, MsgAnswer::No, IDYES},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answerId);
        std::string shownTitle = c.title.empty() ? text::kAppTitle : c.title;
        std::replace(shownTitle.begin(), shownTitle.end(), '\0', ' ');
        BoxAnswerer box(shownTitle.c_str(), c.answerId);
        EXPECT_EQ(window.Show("Delete " + c.title, c.buttons, MsgIcon::Exclamation, c.title),
                  c.answer);
        box.Join();
        EXPECT_EQ(box.prompt, "Delete " + shownTitle.substr(0, c.title.size()));
        EXPECT_EQ(box.defaultId, c.defaultId);
    }
}

TEST_F(WindowTest, Text1KeepsLongReportsWholeAndList1ShowsTheCurrentEntry) {
    ASSERT_TRUE(window.Load());
    std::string report;
    while (report.size() < 200000) {
        report += "C:\\WINDOWS\\system32\\qwxz" + std::to_string(report.size()) + ".dll\r\n";
    }
    report += "C:\\WINDOWS\\system32\\\xE6\xBC\xA2.dll \xF0\x9F\x98\x80\r\n";
    window.SetText1(report);
    EXPECT_EQ(window.GetText1(), report);

    // Past the default 32 KB limit of a multi-line edit, typing is refused.
    HWND edit = Control(kText1);
    const auto end = static_cast<WPARAM>(report.size());
    SendMessageA(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed"));
    EXPECT_EQ(window.GetText1(), report + "typed");

    window.SetText1("");
    EXPECT_EQ(window.GetText1(), "");

    // The entry asked about is List1's selected and focused one; -1 leaves none.
    HWND list = Control(kList1);
    window.AddList1("C:\\a.dll");
    window.AddList1("C:\\b.dll");
    window.SetList1Current(1);
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 1);
    window.SetList1Current(-1);
    EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
}

// The real launcher, running a program that outlasts the test whatever it was asked to run, and
// leaving (as the user would) just as the wait starts.
class HangingLauncher final : public LaunchAppSychronous {
  public:
    RunResult RunAndWait(const std::string&, const std::string&) override {
        wchar_t self[MAX_PATH + 1] = {};
        const std::wstring exe(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
        const std::wstring autoExe = exe.substr(0, exe.rfind(L'\\') + 1) + L"kr8auto.exe";
        if (leave) {
            leave();
        }
        result = real_.RunAndWait(Narrow(autoExe), "hold-readable \"" + Narrow(exe) + "\" 30");
        return result;
    }
    std::function<void()> leave;
    RunResult result;

  private:
    LaunchAppSychronousWin32 real_;
};

// Exit or the close box while the handler waits for a program that hangs: the wait is given
// up, the handler does nothing more, and the window goes once it has returned.
TEST_F(WindowTest, ExitOrCloseWhileAProgramHangsEndsTheWaitAndTheProgram) {
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Exit");
        fake::FakeMachine machine;
        const std::string adware = std::string(fake::kSystem) + "\\qwxz1834.dll";
        machine.files.AddFile(adware, 320872);
        HangingLauncher launcher;
        MainWindow hung{GetModuleHandleA(nullptr),
                        Machine{machine.reg, machine.os, machine.os, machine.files, machine.clock,
                                machine.processes, launcher, machine.restart, machine.shell,
                                machine.resources, machine.store}};
        ASSERT_TRUE(hung.Load());
        hung.Display(SW_SHOWNORMAL);
        SendMessageA(hung.Control(kCmdFind), BM_CLICK, 0, 0);
        ASSERT_EQ(hung.List1Count(), 1);
        ListView_SetCheckState(hung.Control(kList1), 0, TRUE);
        launcher.leave = [&] {
            if (closeBox) {
                PostMessageW(hung.Handle(), WM_CLOSE, 0, 0);
            } else {
                PostMessageW(hung.Control(kCmdExit), BM_CLICK, 0, 0);
            }
        };
        BoxAnswerer confirm(text::kConfirmDeleteTitle, IDYES);
        const DWORD start = GetTickCount();
        SendMessageA(hung.Control(kCmdFix), BM_CLICK, 0, 0);
        confirm.Join();
        EXPECT_LT(GetTickCount() - start, 15000u);
        EXPECT_EQ(launcher.result.outcome, RunOutcome::Abandoned);
        EXPECT_TRUE(machine.files.Exists(adware)) << "nothing was done after the wait";
        EXPECT_EQ(hung.Handle(), nullptr);
        Pump();
        EXPECT_TRUE(quitPosted) << "the message loop ends, and with it the process";
        quitPosted = false;
    }
}

TEST_F(WindowTest, EnterClicksTheFocusedButtonButIsALineBreakInText1WhichTabLeaves) {
    files.AddFile(std::string(fake::kSystem) + "\\qwxz1834.dll", 320872);
    LoadAndShow();
    SetFocus(Control(kCmdFind));
    Key(Control(kCmdFind), WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(window.List1Count(), 1);
    EXPECT_NE(window.Handle(), nullptr);

    window.SetText1("typed");
    HWND edit = Control(kText1);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 5, 5);
    Key(edit, WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(window.GetText1(), "typed\r\n");
    EXPECT_NE(window.Handle(), nullptr);
    Key(edit, WM_KEYDOWN, VK_TAB);
    EXPECT_EQ(GetFocus(), Control(kCmdPol)) << "Tab leaves Text1";
    EXPECT_EQ(window.GetText1(), "typed\r\n");
}

}  // namespace
}  // namespace kr8::win32
