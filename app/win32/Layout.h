// Where the main window's controls sit, in twips as the form was drawn, and how that becomes
// pixels on a given display.
#pragma once

#include <windows.h>

#include <array>
#include <optional>

#include "app/ButtonColours.h"
#include "app/WindowControls.h"

namespace kr8::win32 {

// Control identifiers. None is IDOK (1) or IDCANCEL (2): the dialog manager sends those for
// Enter and Esc when no button claims the key, and they must not look like a click.
enum ControlId : int {
    kText1 = 100,
    kCmdLog,
    kCmdHosts,
    kCmdPol,
    kCmdUAS,
    kCmdGuard,
    kCmdRegedit,
    kFrame1,
    kList1,
    kCmdFix,
    kCmdFind,
    kCmdExit,
};

enum class ControlKind { Edit, PushButton, ColouredButton, PictureButton, GroupBox, CheckList };

struct ControlLayout {
    ControlId id;
    ControlKind kind;
    const char* caption;
    // Twips, relative to the client area, or to Frame1 when inFrame1.
    int left, top, width, height;
    bool inFrame1;
    bool enabledAtStart;
};

// Every control, in tab-index order: creating them in this order makes it the Tab key's order.
extern const std::array<ControlLayout, 12> kControls;

inline constexpr int kClientWidthTwips = 5865;
inline constexpr int kClientHeightTwips = 5265;
inline constexpr int kTwipsPerInch = 1440;

int TwipsToPixels(int twips, int dpi);

// The control's rectangle in client-area pixels at dpi dots per inch.
RECT PixelRect(const ControlLayout& control, int dpi);

SIZE ClientSizePixels(int dpi);

ControlId IdOf(Button button);
// The button with this control identifier; nothing for the controls that are no buttons.
std::optional<Button> ButtonOf(int id);

// The light red of the Make Log and Hosts Log buttons.
inline constexpr Rgb kLightRed{255, 192, 192};

}  // namespace kr8::win32
