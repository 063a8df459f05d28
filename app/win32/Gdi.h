// Owners for the drawing objects the window creates, in the program's one idiom for handles,
// and the device-context state it changes for one scope.
#pragma once

#include <windows.h>

#include "sys/win32/Handles.h"

namespace kr8::win32 {

template <typename Object>
struct GdiObjectTraits {
    using Handle = Object;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};

struct IconTraits {
    using Handle = HICON;
    static Handle Empty() { return nullptr; }
    static bool IsEmpty(Handle h) { return h == nullptr; }
    static void Close(Handle h) { ::DestroyIcon(h); }
};

using UniqueFont = UniqueOwner<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueOwner<GdiObjectTraits<HBRUSH>>;
using UniqueBitmap = UniqueOwner<GdiObjectTraits<HBITMAP>>;
using UniqueIcon = UniqueOwner<IconTraits>;

// Text colour, background colour and background mode for one scope. A monochrome pattern
// brush paints with the first two as well.
class TextStyle {
  public:
    TextStyle(HDC dc, COLORREF colour, COLORREF background = CLR_INVALID)
        : dc_(dc),
          colour_(SetTextColor(dc, colour)),
          background_(background == CLR_INVALID ? CLR_INVALID : SetBkColor(dc, background)),
          mode_(SetBkMode(dc, TRANSPARENT)) {}
    ~TextStyle() {
        SetTextColor(dc_, colour_);
        if (background_ != CLR_INVALID) {
            SetBkColor(dc_, background_);
        }
        SetBkMode(dc_, mode_);
    }
    TextStyle(const TextStyle&) = delete;
    TextStyle& operator=(const TextStyle&) = delete;

  private:
    HDC dc_;
    COLORREF colour_;
    COLORREF background_;
    int mode_;
};

// A screen device context, for measuring.
class ScreenDc {
  public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() { ReleaseDC(nullptr, dc_); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

}  // namespace kr8::win32
