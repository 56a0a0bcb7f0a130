// The one rule for which token a control state or an outside value stands for.
#include <gtest/gtest.h>

#include <string>

#include "document/value_tokens.h"

namespace {

using value_tokens::Stored;

config::SwitchDescriptor Switch() {
    config::SwitchDescriptor d;
    d.entry[0] = "ECONOMODE:OFF";
    d.entry[1] = "ECONOMODE:ON";
    return d;
}

config::RangeChoiceDescriptor Choice(bool withChoices) {
    config::RangeChoiceDescriptor d;
    d.npaName = "ASSIGN";
    d.minVal = 1;
    d.maxVal = 50;
    if (withChoices) d.choices = {"AUTO", "NONE"};
    return d;
}

TEST(ControlStateTokens, EachPatternStoresItsToken) {
    EXPECT_EQ(value_tokens::ForListKey("PAPER:A4"), (Stored{"PAPER", "A4"}));
    EXPECT_FALSE(value_tokens::ForListKey("A4"));

    const config::SwitchDescriptor sw = Switch();
    EXPECT_EQ(value_tokens::ForSwitch(sw, true), (Stored{"ECONOMODE", "ON"}));
    EXPECT_EQ(value_tokens::ForSwitch(sw, false), (Stored{"ECONOMODE", "OFF"}));
    EXPECT_FALSE(value_tokens::ForSwitch(config::SwitchDescriptor{}, true));

    config::RangeOffDescriptor off;
    off.npaName = "PWRSVR";
    off.offValue = "OFF";
    EXPECT_EQ(value_tokens::ForRangeOff(off, true, "15"), (Stored{"PWRSVR", "15"}));
    EXPECT_EQ(value_tokens::ForRangeOff(off, false, "15"), (Stored{"PWRSVR", "OFF"}));

    const config::RangeChoiceDescriptor choice = Choice(true);
    EXPECT_EQ(value_tokens::ForRangeChoice(choice, 1, "7"), (Stored{"ASSIGN", "AUTO"}));
    EXPECT_EQ(value_tokens::ForRangeChoice(choice, 2, "7"), (Stored{"ASSIGN", "NONE"}));
    EXPECT_EQ(value_tokens::ForRangeChoice(choice, 3, "7"), (Stored{"ASSIGN", "7"}));
    EXPECT_FALSE(value_tokens::ForRangeChoice(choice, 0, "7"));
    EXPECT_FALSE(value_tokens::ForRangeChoice(choice, 4, "7"));
    EXPECT_FALSE(value_tokens::ForRangeChoice(Choice(false), 1, "7"));
}

// An outside value is taken exactly when a control could have stored it, as the stored token.
struct OutsideCase {
    const char* name;
    std::string value;
    const char* token;  // nullptr: refused
};

class OutsideValueTokens : public ::testing::TestWithParam<OutsideCase> {};

TEST_P(OutsideValueTokens, RangeChoiceTakesChoicesAndWholeNumbersInRange) {
    const config::RangeChoiceDescriptor d = Choice(true);
    std::string accepts;
    const auto token = value_tokens::ForValue(DescriptorRef{&d}, GetParam().value, &accepts);
    if (GetParam().token) {
        ASSERT_TRUE(token);
        EXPECT_EQ(*token, GetParam().token);
    } else {
        EXPECT_FALSE(token);
    }
    EXPECT_EQ(accepts, "AUTO, NONE or a whole number from 1 to 50");
}

INSTANTIATE_TEST_SUITE_P(
    Values, OutsideValueTokens,
    ::testing::Values(OutsideCase{"ChoiceAnyCase", "auto", "AUTO"}, OutsideCase{"Number", "+07", "7"},
                      OutsideCase{"Lowest", "1", "1"}, OutsideCase{"Highest", "50", "50"},
                      OutsideCase{"BelowRange", "0", nullptr}, OutsideCase{"AboveRange", "51", nullptr},
                      OutsideCase{"NotWhole", "7.5", nullptr}, OutsideCase{"Empty", "", nullptr},
                      OutsideCase{"SignOnly", "-", nullptr}, OutsideCase{"Huge", "99999999999", nullptr}),
    [](const ::testing::TestParamInfo<OutsideCase>& info) { return std::string(info.param.name); });

TEST(OutsideValueTokens, TextsFitOneLineOfThePrintersField) {
    config::TextDescriptor d;
    d.npaName = "JOBNAME";
    d.maxLength = 4;
    EXPECT_EQ(value_tokens::ForValue(DescriptorRef{&d}, "ab12"), std::optional<std::string>("ab12"));
    EXPECT_FALSE(value_tokens::ForValue(DescriptorRef{&d}, "ab123"));
    EXPECT_FALSE(value_tokens::ForValue(DescriptorRef{&d}, "a\nb"));
    // A Korean character takes two bytes of the field.
    EXPECT_EQ(value_tokens::ForValue(DescriptorRef{&d}, "\xED\x95\x9C\xEA\xB8\x80"),
              std::optional<std::string>("\xED\x95\x9C\xEA\xB8\x80"));
    EXPECT_FALSE(value_tokens::ForValue(DescriptorRef{&d}, "\xED\x95\x9C\xEA\xB8\x80x"));
}

}  // namespace
