#include "app/ButtonColours.h"

#include <gtest/gtest.h>

namespace kr8 {
namespace {

constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255}, kGrey{128, 128, 128}, kRed{255, 192, 192};

TEST(ButtonColours, OwnFacesGetReadableCaptionsAndOtherwiseTheSchemeKeepsItsOwn) {
    EXPECT_NEAR(ContrastRatio(kWhite, kRed), 1.55, 0.01);
    EXPECT_NEAR(ContrastRatio(kRed, kBlack), 13.55, 0.01);
    const SchemeColours standard{{212, 208, 200}, kBlack, kGrey, kWhite, kBlack, false};
    // The frame colour is the face's: the focus frame would not show.
    const SchemeColours dark{kBlack, kWhite, kGrey, kGrey, kBlack, false};
    const SchemeColours highContrast{kBlack, kWhite, {0, 255, 0}, kWhite, kWhite, true};
    struct Row {
        SchemeColours scheme;
        std::optional<Rgb> ownFace;
        Rgb face, caption;
    };
    for (const Row& row :
         {Row{standard, kRed, kRed, kBlack}, Row{dark, kRed, kRed, kBlack},
          Row{dark, Rgb{119, 119, 119}, {119, 119, 119}, kBlack},  // white: 4.48:1
          Row{dark, std::nullopt, kBlack, kWhite}, Row{highContrast, kRed, kBlack, kWhite}}) {
        const ButtonColours colours = ChooseButtonColours(row.scheme, row.ownFace);
        EXPECT_EQ(colours.face, row.face);
        EXPECT_EQ(colours.caption, row.caption);
        EXPECT_GE(ContrastRatio(colours.focusFrame, row.scheme.face), kMarkContrast);
        const bool own = row.ownFace && !row.scheme.highContrast;
        const double disabled = ContrastRatio(colours.disabledCaption, colours.face);
        // Dimmed on the program's own faces, still read, and told apart; else the scheme's own.
        EXPECT_TRUE(own ? disabled >= kMarkContrast &&
                              disabled < ContrastRatio(colours.caption, colours.face) - 1.0
                        : colours.disabledCaption == row.scheme.grayText)
            << disabled;
        EXPECT_EQ(colours.etch.has_value(), !own && !row.scheme.highContrast);
    }
}

}  // namespace
}  // namespace kr8
