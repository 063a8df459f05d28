// FrmKR8's real window: its controls as Win32 controls, its message boxes, and the message loop
// that runs it.
#pragma once

#include <windows.h>

#include <string>

#include "app/FrmKR8.h"
#include "app/MessageBoxes.h"
#include "app/WindowControls.h"
#include "app/win32/ButtonFace.h"
#include "app/win32/ColourScheme.h"
#include "app/win32/Gdi.h"
#include "app/win32/Layout.h"

namespace kr8::win32 {

class MainWindow final : public WindowControls, public MessageBoxes {
  public:
    // Whether the user has switched high contrast on: the system's answer, or a test's.
    using HighContrastQuery = bool (*)();

    MainWindow(HINSTANCE instance, const Machine& machine,
               HighContrastQuery highContrast = HighContrastOn);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window hidden and runs the load step. False when the window could not be
    // created or the load step refused the platform; the window is then gone, never shown.
    bool Load();
    void Display(int showCommand);
    // Runs the message loop until the window is gone; answers the process's exit code.
    int Run();
    // The loop's keyboard handling of one message: Tab and Shift+Tab, access keys, Enter and
    // Space on the focused button. True when the message was used up here.
    bool HandleKeys(MSG& message);

    HWND Handle() const { return window_; }
    HWND Control(ControlId id) const;
    FrmKR8& Form() { return form_; }

    std::string GetText1() override;
    void SetText1(const std::string& text) override;
    void ClearList1() override;
    void AddList1(const std::string& entry) override;
    int List1Count() override;
    std::string List1Entry(int index) override;
    bool List1Checked(int index) override;
    void SetList1Checked(int index, bool checked) override;
    void RemoveList1(int index) override;
    void SetList1Current(int index) override;
    void SetEnabled(Button button, bool enabled) override;
    bool IsEnabled(Button button) override;
    void SetCaption(const std::string& caption) override;

    MsgAnswer Show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override;

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool Create();
    void CreateControls(int dpi);
    void PaintOwnButton(const DRAWITEMSTRUCT& item);
    void OnClick(int id);
    // Exit or the close box while a handler is under way.
    void LeaveOnceIdle();
    void DestroyIfLeft();
    bool IsPushButton(HWND control) const;
    bool IsList1Index(int index);
    void FitList1Column();

    HINSTANCE instance_;
    HighContrastQuery highContrast_;
    FrmKR8 form_;
    HWND window_ = nullptr;
    // The control that gets the focus back when the window is activated again.
    HWND focusOnActivate_ = nullptr;
    bool leaving_ = false;
    UniqueFont font_;
    ButtonPicture regeditPicture_;
    ButtonPicture deletePicture_;
};

}  // namespace kr8::win32
