#include "app/win32/ColourScheme.h"

namespace kr8::win32 {

bool HighContrastOn() {
    HIGHCONTRASTW setting{};
    setting.cbSize = sizeof(setting);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, setting.cbSize, &setting, 0) &&
           (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

SchemeColours SystemScheme(bool highContrast) {
    SchemeColours scheme;
    scheme.face = ToRgb(GetSysColor(COLOR_BTNFACE));
    scheme.text = ToRgb(GetSysColor(COLOR_BTNTEXT));
    scheme.grayText = ToRgb(GetSysColor(COLOR_GRAYTEXT));
    scheme.highlight = ToRgb(GetSysColor(COLOR_BTNHIGHLIGHT));
    scheme.frame = ToRgb(GetSysColor(COLOR_WINDOWFRAME));
    scheme.highContrast = highContrast;
    return scheme;
}

}  // namespace kr8::win32
