#include "app/win32/Layout.h"

#include "app/Texts.h"

namespace kr8::win32 {

namespace {

// Frame1's origin, which List1 and CmdFix are placed from.
constexpr int kFrame1Left = 60;
constexpr int kFrame1Top = 3300;

}  // namespace

// File1 holds tab index 3 on the form, but it is never shown, so it is no window here.
const std::array<ControlLayout, 12> kControls = {{
    {kCmdExit, ControlKind::PushButton, text::kCmdExit, 4440, 4680, 1395, 435, false, true},
    {kCmdFind, ControlKind::PushButton, text::kCmdFind, 300, 4680, 3615, 435, false, true},
    {kCmdLog, ControlKind::ColouredButton, text::kCmdLog, 4440, 120, 1395, 375, false, false},
    {kText1, ControlKind::Edit, "", 60, 120, 4335, 3135, false, true},
    {kCmdPol, ControlKind::PushButton, text::kCmdPol, 4440, 1020, 1395, 375, false, true},
    {kCmdUAS, ControlKind::PushButton, text::kCmdUAS, 4440, 1440, 1395, 375, false, false},
    {kCmdGuard, ControlKind::PushButton, text::kCmdGuard, 4440, 1860, 1395, 375, false, false},
    {kCmdRegedit, ControlKind::PictureButton, text::kCmdRegedit, 4440, 2460, 1395, 795, false,
     false},
    {kFrame1, ControlKind::GroupBox, text::kFrame1, kFrame1Left, kFrame1Top, 5775, 1275, false,
     true},
    // A list-view shows no text of its own; screen readers name the list by it.
    {kList1, ControlKind::CheckList, text::kFrame1, 120, 240, 4035, 960, true, true},
    {kCmdFix, ControlKind::PictureButton, text::kCmdFix, 4260, 240, 1395, 975, true, false},
    {kCmdHosts, ControlKind::ColouredButton, text::kCmdHosts, 4440, 540, 1395, 375, false, true},
}};

int TwipsToPixels(int twips, int dpi) {
    return MulDiv(twips, dpi, kTwipsPerInch);
}

RECT PixelRect(const ControlLayout& control, int dpi) {
    int left = control.left;
    int top = control.top;
    if (control.inFrame1) {
        left += kFrame1Left;
        top += kFrame1Top;
    }
    // Edges are converted, not sizes, so that neighbours that touch in twips touch in pixels.
    return RECT{TwipsToPixels(left, dpi), TwipsToPixels(top, dpi),
                TwipsToPixels(left + control.width, dpi), TwipsToPixels(top + control.height, dpi)};
}

SIZE ClientSizePixels(int dpi) {
    return SIZE{TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
}

ControlId IdOf(Button button) {
    switch (button) {
        case Button::CmdFind:
            return kCmdFind;
        case Button::CmdFix:
            return kCmdFix;
        case Button::CmdLog:
            return kCmdLog;
        case Button::CmdGuard:
            return kCmdGuard;
        case Button::CmdUAS:
            return kCmdUAS;
        case Button::CmdPol:
            return kCmdPol;
        case Button::CmdHosts:
            return kCmdHosts;
        case Button::CmdRegedit:
            return kCmdRegedit;
        case Button::CmdExit:
            return kCmdExit;
    }
    return kCmdExit;
}

std::optional<Button> ButtonOf(int id) {
    for (Button button :
         {Button::CmdFind, Button::CmdFix, Button::CmdLog, Button::CmdGuard, Button::CmdUAS,
          Button::CmdPol, Button::CmdHosts, Button::CmdRegedit, Button::CmdExit}) {
        if (IdOf(button) == id) {
            return button;
        }
    }
    return std::nullopt;
}

}  // namespace kr8::win32
