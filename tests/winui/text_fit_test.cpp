// The typing limit of a text setting's edit as the Win32 edit applies it: the edit reports a
// change after it happened, with its caret where the typing or the paste ended, and the page puts
// back what pages/typing_limit keeps of it. Counted in bytes of the printer's code page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/typing_limit.h"

namespace {

using pages::CodePageLength;

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
    bool kept;  // false: the change is refused whole (the edit gets accepted back)
    std::u16string text;
    size_t keptCaret;
    std::vector<std::string> leftOut = {};
};

class Typing : public ::testing::TestWithParam<FitCase> {};

TEST_P(Typing, KeepsWhatFits) {
    const FitCase& c = GetParam();
    const pages::TypedText fitted = pages::FitTyped(c.accepted, c.typed, c.limit, c.caret);
    EXPECT_EQ(fitted.leftOut, c.leftOut);
    ASSERT_EQ(!fitted.refused, c.kept);
    if (fitted.refused) {
        EXPECT_EQ(fitted.text, c.accepted);
        return;
    }
    EXPECT_EQ(fitted.text, c.text);
    EXPECT_EQ(fitted.caret, c.keptCaret);
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
        // In a run of equal letters the caret tells what was pasted: "ab" after the first "a".
        FitCase{"PasteIntoARunOfEqualLetters", u"aa", u"aaba", 3, 3, true, u"aaa", 2},
        // A longer text from the printer is shown whole and may be edited without growing.
        FitCase{"LongerTextFromThePrinterShrinks", u"abcdef", u"abcdf", 4, 4, true, u"abcdf", 4},
        FitCase{"LongerTextFromThePrinterKeepsItsLength", u"abcdef", u"abcdeX", 6, 4, true, u"abcdeX", 6},
        FitCase{"LongerTextFromThePrinterDoesNotGrow", u"abcdef", u"abcdefg", 7, 4, false, u"", 0},
        // A character the printer's code page lacks is left out and named; the rest goes in. An
        // emoji typed alone leaves nothing to put in.
        FitCase{"EmojiTypedAloneIsRefused", u"ab", u"ab\U0001F600", 4, 40, false, u"", 0, {"\U0001F600"}},
        FitCase{"PasteWithAnEmojiKeepsTheRest", u"ab", u"a1\U0001F6002b", 5, 40, true, u"a12b", 3, {"\U0001F600"}},
        FitCase{"NoLimit", u"", u"abcdefgh", 8, -1, true, u"abcdefgh", 8},
        FitCase{"CaretPastTheEnd", u"", u"ab", 9, 4, true, u"ab", 2}),
    [](const ::testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

}  // namespace
