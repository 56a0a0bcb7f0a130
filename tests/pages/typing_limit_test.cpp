// The one typing rule of a text setting's field, as both front ends apply it: what of a change
// goes in, what is left out and named, and whether the field's limit in code-page bytes cut it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "strings/string_table.h"
#include "pages/typing_limit.h"

namespace {

constexpr size_t kNoCaret = std::u16string_view::npos;

struct TypingCase {
    const char* name;
    std::u16string accepted, typed;
    int limit;
    size_t caret;  // where the insertion ended, or kNoCaret
    // What the field then holds, where its caret goes, what went in.
    std::u16string text;
    size_t textCaret;
    std::u16string kept;
    std::vector<std::string> leftOut;
    bool cut;
    bool refused;
};

void PrintTo(const TypingCase& c, std::ostream* os) { *os << c.name; }

class TypingRule : public ::testing::TestWithParam<TypingCase> {};

TEST_P(TypingRule, KeepsTheCodePagesCharactersThatFitAndNamesTheOthers) {
    const TypingCase& c = GetParam();
    const pages::TypedText fit = pages::FitTyped(c.accepted, c.typed, c.limit, c.caret);
    EXPECT_EQ(fit.text, c.text);
    EXPECT_EQ(fit.caret, c.textCaret);
    EXPECT_EQ(fit.kept, c.kept);
    EXPECT_EQ(fit.leftOut, c.leftOut);
    EXPECT_EQ(fit.cut, c.cut);
    EXPECT_EQ(fit.refused, c.refused);
    // The change lies where the rule says: the earlier text around it is the field's text around
    // what went in (a refused change leaves the earlier text whole).
    ASSERT_LE(fit.start + fit.replaced, c.accepted.size());
    if (!fit.refused) {
        const std::u16string around = c.accepted.substr(0, fit.start) + fit.kept + c.accepted.substr(fit.start + fit.replaced);
        EXPECT_EQ(around, fit.text);
    }
}

const std::string kE = "\xC3\xA9", kEUmlaut = "\xC3\xAB", kGrin = "\xF0\x9F\x98\x80", kBeam = "\xF0\x9F\x98\x81";

INSTANTIATE_TEST_SUITE_P(
    Texts, TypingRule,
    ::testing::Values(
        TypingCase{"Empty", u"", u"", 16, kNoCaret, u"", 0, u"", {}, false, false},
        TypingCase{"OnlyTakenAway", u"Tray", u"Ty", 16, 1, u"Ty", 1, u"", {}, false, false},
        TypingCase{"AsciiWithinTheLimit", u"", u"Tray 1", 16, kNoCaret, u"Tray 1", 6, u"Tray 1", {}, false, false},
        TypingCase{"AsciiCutAtTheLimit", u"", u"ABCDEFGHIJKLMNOPQRST", 16, kNoCaret, u"ABCDEFGHIJKLMNOP", 16,
                   u"ABCDEFGHIJKLMNOP", {}, true, false},
        TypingCase{"KoreanCountsTwoBytes", u"", u"가나다라마바사아자", 16, kNoCaret, u"가나다라마바사아", 8,
                   u"가나다라마바사아", {}, true, false},
        // One byte left: a Korean character does not fit, and nothing after it is taken.
        TypingCase{"LimitReachedMidCharacter", u"", u"A가B", 2, kNoCaret, u"A", 1, u"A", {}, true, false},
        TypingCase{"KoreanIntoTheLastByteIsRefused", u"ABC", u"ABC가", 4, 4, u"ABC", 3, u"", {}, true, true},
        TypingCase{"OutsideTheCodePage", u"", u"Café Zoë", 16, kNoCaret, u"Caf Zo", 6, u"Caf Zo", {kE, kEUmlaut},
                   false, false},
        // An emoji is a surrogate pair: left out whole, named once however often it came.
        TypingCase{"EmojiAmongKorean", u"", u"가😀나😀", 16, kNoCaret, u"가나", 2, u"가나", {kGrin}, false, false},
        TypingCase{"PasteOfEmojiAloneIsRefused", u"AB", u"AB😀😀", 16, 6, u"AB", 2, u"", {kGrin}, false, true},
        TypingCase{"PasteInTheMiddle", u"AZ", u"ACafé 😀 ZoëZ", 16, 12, u"ACaf  ZoZ", 8, u"Caf  Zo", {kE, kGrin, kEUmlaut},
                   false, false},
        // What a field shares with the change never ends inside a surrogate pair.
        TypingCase{"OneEmojiReplacedByAnother", u"😀", u"😁", 16, 2, u"😀", 0, u"", {kBeam}, false, true},
        // A left-out character before the cut is named; past the cut nothing is looked at.
        TypingCase{"LeftOutBeforeTheCut", u"", u"가나다라마바é사아자😀", 16, kNoCaret, u"가나다라마바사아", 8,
                   u"가나다라마바사아", {kE}, true, false},
        // A longer text from the printer is the limit: it may be edited, never made longer.
        TypingCase{"LongerPrinterTextMayChange", u"ABCDEFGHIJKLMNOPQRSTU", u"ABCDEFGHIJKLMNOPQRSTX", 16, 21,
                   u"ABCDEFGHIJKLMNOPQRSTX", 21, u"X", {}, false, false},
        TypingCase{"LongerPrinterTextMayNotGrow", u"ABCDEFGHIJKLMNOPQRSTU", u"ABCDEFGHIJKLMNOPQRSTUV", 16, 22,
                   u"ABCDEFGHIJKLMNOPQRSTU", 21, u"", {}, true, true},
        // A run of equal letters: the caret says the paste "ab" came after the first "a", so the
        // limit cuts the paste's end, not the letter the field held after it.
        TypingCase{"RunOfEqualLettersCutAtTheCaret", u"aa", u"aaba", 3, 3, u"aaa", 2, u"a", {}, true, false},
        TypingCase{"NoLimit", u"", u"가나다라마바사아자차카타파하", -1, kNoCaret, u"가나다라마바사아자차카타파하", 14,
                   u"가나다라마바사아자차카타파하", {}, false, false}),
    [](const ::testing::TestParamInfo<TypingCase>& info) { return std::string(info.param.name); });

// The status bar's sentence, the same in both front ends.
TEST(TypingRuleText, NamesTheCharactersLeftOutInTheOrderMet) {
    const pages::TypedText fit = pages::FitTyped(u"", u"Café 😀 Zoë", 40);
    EXPECT_EQ(pages::LeftOutStatusText(pages::LeftOutList(fit.leftOut)),
              res::Format(pages::kLeftOutText, kE + ", " + kGrin + ", " + kEUmlaut));
    EXPECT_EQ(pages::LeftOutList({}), "");
}

}  // namespace
