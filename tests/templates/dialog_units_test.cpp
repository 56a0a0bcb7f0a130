// Dialog units to pixels: the one conversion every front end lays the templates out with.
#include <gtest/gtest.h>

#include "templates/dialog_units.h"

namespace {

using ui::BaseUnits;

TEST(DialogUnits, GulimKeepsItsOwnCellAtEverySize) {
    EXPECT_EQ(ui::GulimBaseUnits(12), (BaseUnits{6, 12}));  // 9 points at 96 dpi
    EXPECT_EQ(ui::GulimBaseUnits(13), (BaseUnits{7, 13}));  // half an em, rounded up
    EXPECT_EQ(ui::GulimBaseUnits(16), (BaseUnits{8, 16}));
    EXPECT_EQ(ui::GulimBaseUnits(0), (BaseUnits{1, 1}));    // never a zero unit
}

TEST(DialogUnits, MeasuredFontsRoundTheAverageLetterWidth) {
    EXPECT_EQ(ui::MeasuredBaseUnits(52 * 7, 15), (BaseUnits{7, 15}));
    // 52 letters 6.5 wide on average: the halved width is rounded up, as the dialog manager does.
    EXPECT_EQ(ui::MeasuredBaseUnits(338, 13), (BaseUnits{7, 13}));
    EXPECT_EQ(ui::MeasuredBaseUnits(0, 0), (BaseUnits{1, 1}));
}

struct Conversion {
    const char* name;
    int x, y, cx, cy;
    ui::PixelRect pixels;
};

class GulimConversion : public ::testing::TestWithParam<Conversion> {};

TEST_P(GulimConversion, RoundsToTheNearestPixel) {
    const Conversion& c = GetParam();
    EXPECT_EQ(ui::DialogUnitsToPixels(c.x, c.y, c.cx, c.cy, ui::GulimBaseUnits(12)), c.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Rects, GulimConversion,
    ::testing::Values(Conversion{"Origin", 0, 0, 0, 0, {0, 0, 0, 0}},
                      Conversion{"HalvesRoundUp", 1, 1, 3, 3, {2, 2, 5, 5}},  // 1.5 -> 2, 4.5 -> 5
                      Conversion{"WholeCell", 4, 8, 4, 8, {6, 12, 6, 12}},
                      Conversion{"PageForm", 0, 0, 326, 231, {0, 0, 489, 347}},
                      Conversion{"TitleLine", 15, 10, 296, 10, {23, 15, 444, 15}}),
    [](const ::testing::TestParamInfo<Conversion>& info) { return std::string(info.param.name); });

}  // namespace
