#include "app/ButtonColours.h"

#include <algorithm>
#include <cmath>

namespace kr8 {

namespace {

double Linear(std::uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

std::uint8_t Toward(std::uint8_t from, std::uint8_t to, int step, int steps) {
    return static_cast<std::uint8_t>(std::lround(from + (to - from) * double(step) / steps));
}

// The caption moved toward the face as far as it can go while it still reaches kMarkContrast:
// dimmer than the enabled caption, and still there to be read.
Rgb Dimmed(Rgb caption, Rgb face) {
    constexpr int kSteps = 64;
    Rgb dimmed = caption;
    for (int step = 1; step <= kSteps; ++step) {
        const Rgb mix{Toward(caption.r, face.r, step, kSteps),
                      Toward(caption.g, face.g, step, kSteps),
                      Toward(caption.b, face.b, step, kSteps)};
        if (ContrastRatio(mix, face) >= kMarkContrast) {
            dimmed = mix;
        }
    }
    return dimmed;
}

}  // namespace

double RelativeLuminance(Rgb colour) {
    return 0.2126 * Linear(colour.r) + 0.7152 * Linear(colour.g) + 0.0722 * Linear(colour.b);
}

double ContrastRatio(Rgb a, Rgb b) {
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb Legible(Rgb preferred, Rgb background, double minimum) {
    if (ContrastRatio(preferred, background) >= minimum) {
        return preferred;
    }
    const Rgb black{0, 0, 0};
    const Rgb white{255, 255, 255};
    return ContrastRatio(black, background) >= ContrastRatio(white, background) ? black : white;
}

ButtonColours ChooseButtonColours(const SchemeColours& scheme, std::optional<Rgb> ownFace) {
    ButtonColours colours;
    // The frame lies on the window's background, which is the scheme's face in every case.
    colours.focusFrame = Legible(scheme.frame, scheme.face, kMarkContrast);
    if (scheme.highContrast || !ownFace) {
        // The user's own pairs of colours, as on the system's buttons; high contrast schemes
        // set a disabled colour of their own, which an etch would only blur.
        colours.face = scheme.face;
        colours.caption = scheme.text;
        colours.disabledCaption = scheme.grayText;
        if (!scheme.highContrast) {
            colours.etch = scheme.highlight;
        }
        return colours;
    }
    colours.face = *ownFace;
    colours.caption = Legible(scheme.text, *ownFace, kTextContrast);
    colours.disabledCaption = Dimmed(colours.caption, *ownFace);
    return colours;
}

}  // namespace kr8
