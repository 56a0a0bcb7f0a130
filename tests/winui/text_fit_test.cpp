// The typing limit of a text setting's edit, counted in bytes of the printer's code page.
#include <gtest/gtest.h>

#include <string>

#include "winui/text_fit.h"

namespace {

using winui::CodePageLength;
using winui::FitTyping;

TEST(CodePageLength, AsciiCountsOneAndEveryOtherCharacterTwo) {
    EXPECT_EQ(CodePageLength(u""), 0);
    EXPECT_EQ(CodePageLength(u"Tray"), 4);
    EXPECT_EQ(CodePageLength(u"용지 1"), 6);
    EXPECT_EQ(CodePageLength(u"\U0001F600"), 2);  // a surrogate pair is one character
}

struct FitCase {
    const char* name;
    std::u16string accepted, typed;
    size_t caret;
    int limit;
    bool kept;  // false: the change is refused whole
    std::u16string text;
    size_t keptCaret;
};

class Typing : public ::testing::TestWithParam<FitCase> {};

TEST_P(Typing, KeepsWhatFits) {
    const FitCase& c = GetParam();
    const auto fitted = FitTyping(c.accepted, c.typed, c.caret, c.limit);
    ASSERT_EQ(fitted.has_value(), c.kept);
    if (!fitted) return;
    EXPECT_EQ(fitted->text, c.text);
    EXPECT_EQ(fitted->caret, c.keptCaret);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, Typing,
    ::testing::Values(
        FitCase{"WithinTheLimit", u"ab", u"abc", 3, 4, true, u"abc", 3},
        FitCase{"ExactlyAtTheLimit", u"abc", u"abcd", 4, 4, true, u"abcd", 4},
        FitCase{"OneLetterTooMany", u"abcd", u"abcde", 5, 4, false, u"", 0},
        // A Korean letter takes two bytes: with one left it does not fit.
        FitCase{"KoreanLetterIntoTheLastByte", u"abc", u"abc용", 4, 4, false, u"", 0},
        FitCase{"KoreanLettersWithinTheLimit", u"용", u"용지", 2, 4, true, u"용지", 2},
        // A paste is cut back from the caret until it fits.
        FitCase{"PasteCutToFit", u"ab", u"a1234b", 5, 4, true, u"a12b", 3},
        FitCase{"PasteInTheMiddleOfKorean", u"용", u"지지지용", 3, 6, true, u"지지용", 2},
        // A longer text from the printer is shown whole and may be edited without growing.
        FitCase{"LongerTextFromThePrinterShrinks", u"abcdef", u"abcdf", 4, 4, true, u"abcdf", 4},
        FitCase{"LongerTextFromThePrinterKeepsItsLength", u"abcdef", u"abcdeX", 6, 4, true, u"abcdeX", 6},
        FitCase{"LongerTextFromThePrinterDoesNotGrow", u"abcdef", u"abcdefg", 7, 4, false, u"", 0},
        // A character the printer's code page lacks is refused as it is typed.
        FitCase{"EmojiRefused", u"ab", u"ab\U0001F600", 4, 40, false, u"", 0},
        FitCase{"NoLimit", u"", u"abcdefgh", 8, -1, true, u"abcdefgh", 8},
        FitCase{"CaretPastTheEnd", u"", u"ab", 9, 4, true, u"ab", 2}),
    [](const ::testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

}  // namespace
