// The push buttons that the system's own button does not draw on every Windows version: a light
// red face, and a picture above the caption (common controls before version 6, as on Windows
// 2000 and on XP without visual styles, show no picture on a push button). Both are owner-drawn
// push buttons: the keyboard, screen readers and UI automation still meet a push button with
// its caption as its text.
#pragma once

#include <windows.h>

#include "app/ButtonColours.h"
#include "app/win32/Gdi.h"

namespace kr8::win32 {

// A button's picture, and its grey twin for the disabled button.
struct ButtonPicture {
    UniqueIcon normal;
    UniqueIcon disabled;
};

// Empty icons when a picture cannot be loaded; the button then shows its caption alone.
ButtonPicture LoadButtonPicture(HINSTANCE instance, int iconId, int disabledIconId);

// Paints an owner-drawn push button in the classic look of the system's own buttons: raised
// edges, sunken while pressed, a frame and a dotted rectangle while focused, a dimmed caption
// while disabled, all in the given colours. A picture, when given, sits centred above the
// caption.
void PaintButton(const DRAWITEMSTRUCT& item, const ButtonColours& colours,
                 const ButtonPicture* picture);

}  // namespace kr8::win32
