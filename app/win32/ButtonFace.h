// The two kinds of button that the system's own push button does not draw: a light red face,
// and a picture above the caption.
#pragma once

#include <windows.h>

#include "app/win32/Gdi.h"

namespace kr8::win32 {

// Paints an owner-drawn push button with a face of the given colour, in the classic look of
// the system's own buttons: raised edges, sunken while pressed, black frame and dotted focus
// rectangle while focused, grey caption while disabled.
void PaintColouredButton(const DRAWITEMSTRUCT& item, COLORREF face);

// An image list in the layout BCM_SETIMAGELIST expects, one image a button state: the picture,
// and its grey twin in the disabled state's place. Empty when a picture cannot be loaded.
UniqueImageList LoadButtonPicture(HINSTANCE instance, int iconId, int disabledIconId);

// Shows the pictures above the button's caption. False when the common controls in use cannot
// (before version 6); the button then shows its caption alone.
bool AttachPicture(HWND button, HIMAGELIST pictures);

}  // namespace kr8::win32
