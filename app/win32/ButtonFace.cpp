#include "app/win32/ButtonFace.h"

#include <commctrl.h>

#include <string>

namespace kr8::win32 {

namespace {

constexpr int kPictureSize = 32;
// BCM_SETIMAGELIST takes one image for each of the push button's six states (normal, hot,
// pressed, disabled, defaulted, stylus hot), in that order.
constexpr int kButtonStates = 6;
constexpr int kDisabledState = 3;

std::string WindowText(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

UniqueIcon LoadPicture(HINSTANCE instance, int iconId) {
    return UniqueIcon(static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON, kPictureSize, kPictureSize, 0)));
}

}  // namespace

void PaintColouredButton(const DRAWITEMSTRUCT& item, COLORREF face) {
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;

    // The focused push button is the one Enter clicks; the system marks it with a black frame.
    if (focused) {
        FrameRect(dc, &rect, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&rect, -1, -1);
    }
    if (pressed) {
        FrameRect(dc, &rect, GetSysColorBrush(COLOR_BTNSHADOW));
        InflateRect(&rect, -1, -1);
    } else {
        DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT);
    }
    UniqueBrush brush(CreateSolidBrush(face));
    FillRect(dc, &rect, brush.get());

    const std::string caption = WindowText(item.hwndItem);
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (item.itemState & ODS_NOACCEL) {
        format |= DT_HIDEPREFIX;
    }
    RECT textRect = rect;
    if (pressed) {
        OffsetRect(&textRect, 1, 1);
    }
    if (disabled) {
        // Etched, as the system greys the caption of its own disabled buttons.
        RECT etch = textRect;
        OffsetRect(&etch, 1, 1);
        {
            TextStyle style(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
            DrawTextA(dc, caption.c_str(), -1, &etch, format);
        }
        TextStyle style(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextA(dc, caption.c_str(), -1, &textRect, format);
    } else {
        TextStyle style(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextA(dc, caption.c_str(), -1, &textRect, format);
    }

    if (focused && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = rect;
        InflateRect(&focus, -2, -2);
        DrawFocusRect(dc, &focus);
    }
}

UniqueImageList LoadButtonPicture(HINSTANCE instance, int iconId, int disabledIconId) {
    const UniqueIcon picture = LoadPicture(instance, iconId);
    const UniqueIcon greyed = LoadPicture(instance, disabledIconId);
    if (!picture || !greyed) {
        return nullptr;
    }
    UniqueImageList list(
        ImageList_Create(kPictureSize, kPictureSize, ILC_COLOR24 | ILC_MASK, kButtonStates, 0));
    if (!list) {
        return nullptr;
    }
    for (int state = 0; state < kButtonStates; ++state) {
        ImageList_AddIcon(list.get(), state == kDisabledState ? greyed.get() : picture.get());
    }
    return list;
}

bool AttachPicture(HWND button, HIMAGELIST pictures) {
    if (!pictures) {
        return false;
    }
    BUTTON_IMAGELIST images{};
    images.himl = pictures;
    images.margin = RECT{0, 3, 0, 0};
    images.uAlign = BUTTON_IMAGELIST_ALIGN_TOP;
    return SendMessageA(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images)) != 0;
}

}  // namespace kr8::win32
