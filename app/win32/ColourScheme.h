// The user's colour scheme as the system holds it, for the buttons that paint themselves.
#pragma once

#include <windows.h>

#include "app/ButtonColours.h"

namespace kr8::win32 {

inline Rgb ToRgb(COLORREF colour) {
    return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}
inline COLORREF ToColorRef(Rgb colour) {
    return RGB(colour.r, colour.g, colour.b);
}

// Whether the user has switched high contrast on (Accessibility Options, or Alt+Left
// Shift+Print Screen).
bool HighContrastOn();

// The system's button colours now, with highContrast as given.
SchemeColours SystemScheme(bool highContrast);

}  // namespace kr8::win32
