#include "app/win32/ButtonFace.h"

#include <algorithm>
#include <string>

#include "app/win32/ColourScheme.h"

namespace kr8::win32 {

namespace {

constexpr int kPictureSize = 32;
// Between the picture and the caption, and between the caption and the edges.
constexpr int kPictureGap = 2;
constexpr int kTextMargin = 2;

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

UniqueIcon LoadPicture(HINSTANCE instance, int iconId) {
    return UniqueIcon(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, kPictureSize, kPictureSize, 0)));
}

void DrawCaption(HDC dc, const std::wstring& caption, RECT rect, UINT format,
                 const ButtonColours& colours, bool disabled) {
    if (disabled && colours.etch) {
        RECT etch = rect;
        OffsetRect(&etch, 1, 1);
        TextStyle style(dc, ToColorRef(*colours.etch));
        DrawTextW(dc, caption.c_str(), -1, &etch, format);
    }
    TextStyle style(dc, ToColorRef(disabled ? colours.disabledCaption : colours.caption));
    DrawTextW(dc, caption.c_str(), -1, &rect, format);
}

// The dotted focus rectangle in the caption's colour. DrawFocusRect inverts the face instead,
// which leaves next to nothing to see on a mid grey face.
void DrawFocus(HDC dc, const RECT& rect, const ButtonColours& colours) {
    static const WORD kDots[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    UniqueBitmap dots(CreateBitmap(8, 8, 1, 1, kDots));
    UniqueBrush brush(CreatePatternBrush(dots.get()));
    // A monochrome pattern paints with the text and background colours.
    TextStyle style(dc, ToColorRef(colours.caption), ToColorRef(colours.face));
    FrameRect(dc, &rect, brush.get());
}

}  // namespace

ButtonPicture LoadButtonPicture(HINSTANCE instance, int iconId, int disabledIconId) {
    ButtonPicture picture{LoadPicture(instance, iconId), LoadPicture(instance, disabledIconId)};
    if (!picture.normal || !picture.disabled) {
        return {};
    }
    return picture;
}

void PaintButton(const DRAWITEMSTRUCT& item, const ButtonColours& colours,
                 const ButtonPicture* picture) {
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;

    // The focused push button is the one Enter clicks; the system marks it with a frame.
    if (focused) {
        UniqueBrush frame(CreateSolidBrush(ToColorRef(colours.focusFrame)));
        FrameRect(dc, &rect, frame.get());
        InflateRect(&rect, -1, -1);
    }
    if (pressed) {
        FrameRect(dc, &rect, GetSysColorBrush(COLOR_BTNSHADOW));
        InflateRect(&rect, -1, -1);
    } else {
        DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT);
    }
    UniqueBrush face(CreateSolidBrush(ToColorRef(colours.face)));
    FillRect(dc, &rect, face.get());

    // The contents move down and right by a pixel while the button is held down.
    RECT content = rect;
    if (pressed) {
        OffsetRect(&content, 1, 1);
    }
    const std::wstring caption = WindowText(item.hwndItem);
    UINT format = DT_CENTER | DT_SINGLELINE;
    if (item.itemState & ODS_NOACCEL) {
        format |= DT_HIDEPREFIX;
    }
    HICON icon = nullptr;
    if (picture) {
        icon = disabled ? picture->disabled.get() : picture->normal.get();
    }
    if (icon) {
        // Picture and caption as one block, centred in the button; a caption wider than the
        // button goes on as many lines as it needs, as a multi-line push button's would.
        format = (format & ~static_cast<UINT>(DT_SINGLELINE)) | DT_WORDBREAK;
        RECT text = content;
        InflateRect(&text, -kTextMargin, 0);
        RECT measured = text;
        DrawTextW(dc, caption.c_str(), -1, &measured, format | DT_CALCRECT);
        const int textHeight = measured.bottom - measured.top;
        const int blockHeight = kPictureSize + kPictureGap + textHeight;
        const int top =
            content.top + std::max(0L, (content.bottom - content.top - blockHeight) / 2);
        const int left = content.left + (content.right - content.left - kPictureSize) / 2;
        DrawIconEx(dc, left, top, icon, kPictureSize, kPictureSize, 0, nullptr, DI_NORMAL);
        text.top = top + kPictureSize + kPictureGap;
        text.bottom = text.top + textHeight;
        DrawCaption(dc, caption, text, format, colours, disabled);
    } else {
        DrawCaption(dc, caption, content, format | DT_VCENTER, colours, disabled);
    }

    if (focused && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = rect;
        InflateRect(&focus, -2, -2);
        DrawFocus(dc, focus, colours);
    }
}

}  // namespace kr8::win32
