// The colours of the buttons that paint themselves, chosen so that their captions and focus
// stay readable in whatever colour scheme the user runs.
#pragma once

#include <cstdint>
#include <optional>

namespace kr8 {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& other) const { return r == other.r && g == other.g && b == other.b; }
    bool operator!=(const Rgb& other) const { return !(*this == other); }
};

// Relative luminance of an sRGB colour, 0 for black to 1 for white, and the contrast ratio of
// two colours, 1:1 to 21:1, as the Web Content Accessibility Guidelines (2.x) define them.
double RelativeLuminance(Rgb colour);
double ContrastRatio(Rgb a, Rgb b);

// What a caption needs against its face to be read by people with moderately low vision, and
// what a mark that is seen rather than read (a focus frame, a dimmed caption) needs.
inline constexpr double kTextContrast = 4.5;
inline constexpr double kMarkContrast = 3.0;

// The system's button colours as the user's scheme sets them.
struct SchemeColours {
    Rgb face;                   // the face of a button, and the window's background around it
    Rgb text;                   // a button's caption
    Rgb grayText;               // a disabled caption
    Rgb highlight;              // the light edge, and the etch under a disabled caption
    Rgb frame;                  // the frame around the focused button
    bool highContrast = false;  // the user asked for high contrast
};

struct ButtonColours {
    Rgb face;
    Rgb caption;
    Rgb disabledCaption;
    // Drawn a pixel below and right of a disabled caption, as the system does on its own
    // buttons; none where that would blur the caption.
    std::optional<Rgb> etch;
    // The frame around the focused button, against the window's background.
    Rgb focusFrame;
};

// preferred when it reaches minimum against background, else black or white, whichever
// contrasts more (one of them always reaches 4.58:1).
Rgb Legible(Rgb preferred, Rgb background, double minimum);

// The colours of a button whose face is the system's (ownFace empty) or one the program picks.
// High contrast, or the system's face, keeps every colour of the scheme; a face of the
// program's own gets a caption chosen against it and a disabled caption between the two.
ButtonColours ChooseButtonColours(const SchemeColours& scheme, std::optional<Rgb> ownFace);

}  // namespace kr8
