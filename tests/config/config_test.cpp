#include "config/config.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "config/profile.h"
#include "strings/string_table.h"

namespace {

using config::Kind;

TEST(SplitListTest, SkipsEmptyItemsAndTrimsNothing) {
    EXPECT_EQ(config::SplitList("A,,B"), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(config::SplitList(",A, B ,"), (std::vector<std::string>{"A", " B "}));
    EXPECT_TRUE(config::SplitList("").empty());
    EXPECT_TRUE(config::SplitList(",,,").empty());
}

TEST(KeyTest, NameAndTokenSplitAtTheFirstColon) {
    EXPECT_EQ(config::KeyName("TRAY1SIZE:A4"), "TRAY1SIZE");
    EXPECT_EQ(config::KeyToken("TRAY1SIZE:A4"), "A4");
    EXPECT_EQ(config::KeyToken("A:B:C"), "B:C");
    EXPECT_EQ(config::KeyName("NOCOLON"), "NOCOLON");
    EXPECT_EQ(config::KeyToken("NOCOLON"), "");
}

TEST(ListDescriptorTest, MapsKeysToLabelsInValuesOrder) {
    Profile ini = Profile::Parse(
        "[BlankPgs]\nNpaName=BLANKPAGES\nNumValues=2\nValues=Off,,On\nValueIds=61231, 61232\n");
    config::ListDescriptor d = config::LoadListDescriptor(ini, "BlankPgs");
    EXPECT_EQ(d.orderedKeys, (std::vector<std::string>{"BLANKPAGES:Off", "BLANKPAGES:On"}));
    EXPECT_EQ(d.labels.at("BLANKPAGES:Off"), res::String(61231));
    EXPECT_EQ(d.labels.at("BLANKPAGES:On"), res::String(61232));
    EXPECT_EQ(d.labels.at("BLANKPAGES:Off"), "인쇄 금지");
}

TEST(ListDescriptorTest, NoCountMeansEmptyEvenWithValues) {
    Profile ini = Profile::Parse(
        "[Zero]\nNpaName=X\nNumValues=0\nValues=A,B\nValueIds=61231,61232\n"
        "[Missing]\nNpaName=X\nValues=A,B\n"
        "[Negative]\nNpaName=X\nNumValues=-3\nValues=A,B\n");
    EXPECT_TRUE(config::LoadListDescriptor(ini, "Zero").empty());
    EXPECT_TRUE(config::LoadListDescriptor(ini, "Missing").empty());
    EXPECT_TRUE(config::LoadListDescriptor(ini, "Negative").orderedKeys.empty());
    EXPECT_TRUE(config::LoadListDescriptor(ini, "NoSuchSection").empty());
}

TEST(ListDescriptorTest, CountsAndListsBeyondTheLimitsAreClamped) {
    std::string values, ids;
    for (int i = 0; i < 20; ++i) {
        values.append("V").append(std::to_string(i)).append(",");
        ids.append(std::to_string(61231 + i)).append(",");
    }
    Profile ini = Profile::Parse(
        "[Long]\nNpaName=N\nNumValues=20\nValues=" + values + "\nValueIds=" + ids + "\n"
        "[Over]\nNpaName=N\nNumValues=9\nValues=A,B,C\nValueIds=61231\n");
    config::ListDescriptor longList = config::LoadListDescriptor(ini, "Long");
    ASSERT_EQ(longList.orderedKeys.size(), config::MAX_LIST_VALUES);
    EXPECT_EQ(longList.orderedKeys.back(), "N:V14");

    // More declared than present: only what is there; an item without an id has no label.
    config::ListDescriptor over = config::LoadListDescriptor(ini, "Over");
    EXPECT_EQ(over.orderedKeys, (std::vector<std::string>{"N:A", "N:B", "N:C"}));
    EXPECT_EQ(over.labels.at("N:A"), res::String(61231));
    EXPECT_EQ(over.labels.at("N:B"), "");
}

TEST(ListDescriptorTest, RepeatedTokenKeepsFirstPlaceAndLastLabel) {
    Profile ini = Profile::Parse("[S]\nNpaName=N\nNumValues=3\nValues=A,B,A\nValueIds=61231,61232,61233\n");
    config::ListDescriptor d = config::LoadListDescriptor(ini, "S");
    EXPECT_EQ(d.orderedKeys, (std::vector<std::string>{"N:A", "N:B"}));
    EXPECT_EQ(d.labels.at("N:A"), res::String(61233));
}

TEST(ListDescriptorTest, ReadsAreCutToTheirBuffers) {
    // "NpaName" keeps 69 characters; "Values" 254, so a token that crosses that point is cut.
    std::string longName(80, 'N');
    std::string values = std::string(250, 'x') + ",ABCDEFG";
    Profile ini = Profile::Parse("[S]\nNpaName=" + longName + "\nNumValues=2\nValues=" + values + "\n");
    config::ListDescriptor d = config::LoadListDescriptor(ini, "S");
    ASSERT_EQ(d.orderedKeys.size(), 2u);
    EXPECT_EQ(config::KeyName(d.orderedKeys[0]), std::string(69, 'N'));
    EXPECT_EQ(config::KeyToken(d.orderedKeys[1]), "ABC");
}

TEST(SwitchDescriptorTest, NeedsExactlyTwoValues) {
    Profile ini = Profile::Parse(
        "[Two]\nNpaName=PQET\nNumValues=2\nValues=OFF,ON\n"
        "[Three]\nNpaName=PQET\nNumValues=3\nValues=OFF,ON,AUTO\n"
        "[Extra]\nNpaName=PQET\nNumValues=2\nValues=OFF,ON,AUTO\n"
        "[One]\nNpaName=PQET\nNumValues=2\nValues=OFF\n"
        "[Cut]\nNpaName=PQET\nNumValues=2\nValues=OFF," + std::string(30, 'Y') + "\n");
    config::SwitchDescriptor two = config::LoadSwitchDescriptor(ini, "Two");
    EXPECT_EQ(two.entry[0], "PQET:OFF");
    EXPECT_EQ(two.entry[1], "PQET:ON");
    config::SwitchDescriptor three = config::LoadSwitchDescriptor(ini, "Three");
    EXPECT_EQ(three.entry[0], "");
    EXPECT_EQ(three.entry[1], "");
    EXPECT_EQ(config::LoadSwitchDescriptor(ini, "Extra").entry[1], "PQET:ON");
    EXPECT_EQ(config::LoadSwitchDescriptor(ini, "One").entry[0], "");
    // "Values" holds 24 characters: "OFF," and 20 of the Ys.
    EXPECT_EQ(config::LoadSwitchDescriptor(ini, "Cut").entry[1], "PQET:" + std::string(20, 'Y'));
}

TEST(NumericDescriptorTest, DefaultsAndValuesAsWritten) {
    Profile ini = Profile::Parse(
        "[Bare]\nNpaName=LINES\n"
        "[Lines]\nNpaName=LINES\nMinVal=-5\nMaxVal=128\nMaxLength=16\n"
        "[Pwr]\nNpaName=PWRSVR\nMinVal=1\nMaxVal=240\nValues=Off,Disabled\n"
        "[PwrLong]\nNpaName=PWRSVR\nValues=" + std::string(30, 'o') + "\n");
    config::RangeDescriptor bare = config::LoadRangeDescriptor(ini, "Bare");
    EXPECT_EQ(bare.npaName, "LINES");
    EXPECT_EQ(bare.minVal, 0);
    EXPECT_EQ(bare.maxVal, 120);
    EXPECT_EQ(config::LoadTextDescriptor(ini, "Bare").maxLength, 40);

    config::RangeDescriptor lines = config::LoadRangeDescriptor(ini, "Lines");
    EXPECT_EQ(lines.minVal, -5);
    EXPECT_EQ(lines.maxVal, 128);
    EXPECT_EQ(config::LoadTextDescriptor(ini, "Lines").maxLength, 16);

    config::RangeOffDescriptor pwr = config::LoadRangeOffDescriptor(ini, "Pwr");
    EXPECT_EQ(pwr.offValue, "Off,Disabled");  // the whole text, not split
    EXPECT_EQ(pwr.minVal, 1);
    EXPECT_EQ(pwr.maxVal, 240);
    EXPECT_EQ(config::LoadRangeOffDescriptor(ini, "PwrLong").offValue, std::string(24, 'o'));
    EXPECT_EQ(config::LoadRangeOffDescriptor(ini, "Bare").offValue, "");
}

TEST(RangeChoiceDescriptorTest, ChoicesOnlyWithRadiosAndTwoTokens) {
    Profile ini = Profile::Parse(
        "[NoRadios]\nNpaName=T1\nValues=Off,Auto\n"
        "[Radios]\nNpaName=T1\nNumRadios=1\nMinVal=1\nMaxVal=99\nValues=Off,,Auto,More\n"
        "[OneToken]\nNpaName=T1\nNumRadios=2\nValues=Off\n");
    EXPECT_TRUE(config::LoadRangeChoiceDescriptor(ini, "NoRadios").choices.empty());
    config::RangeChoiceDescriptor radios = config::LoadRangeChoiceDescriptor(ini, "Radios");
    EXPECT_EQ(radios.choices, (std::vector<std::string>{"Off", "Auto"}));
    EXPECT_EQ(radios.maxVal, 99);
    EXPECT_TRUE(config::LoadRangeChoiceDescriptor(ini, "OneToken").choices.empty());
}

TEST(TreeTest, CountKeysDecideWithinTheListsAndLimits) {
    std::string ten;
    for (int i = 0; i < 12; ++i) ten.append("N").append(std::to_string(i)).append(",");
    Profile ini = Profile::Parse(
        "[TreeRoot]\nChildren=Ports,,Paper,Setup\nNumChildren=2\n"
        "[Ports]\nStringId=61211\nViewId=0\nNumChildren=5\nChildren=Par,Usb\n"
        "[Par]\nStringId=61212\nViewId=10\nNumChildren=1\nChildren=Deep\n"
        "[Usb]\nStringId=61213\nViewId=11\n"
        "[Paper]\nStringId=61214\nViewId=1\nNumChildren=40\nChildren=" + ten + "\n"
        "[Setup]\nStringId=61224\nViewId=2\n");
    std::vector<config::TreeNode> tree = config::LoadTree(ini);
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[0].section, "Ports");
    EXPECT_EQ(tree[0].stringId, 61211);
    ASSERT_EQ(tree[0].children.size(), 2u);  // 5 declared, 2 named
    EXPECT_EQ(tree[0].children[0].viewId, 10);
    EXPECT_TRUE(tree[0].children[0].children.empty());  // two levels only
    EXPECT_EQ(tree[0].children[1].stringId, 61213);
    EXPECT_EQ(tree[1].children.size(), config::MAX_CHILDREN);
    EXPECT_EQ(tree[1].children.back().section, "N9");
    EXPECT_EQ(tree[1].children.back().stringId, 0);  // no section: defaults

    EXPECT_TRUE(config::LoadTree(Profile::Parse("[TreeRoot]\nChildren=A,B\n")).empty());
    EXPECT_TRUE(config::LoadTree(Profile()).empty());
}

TEST(DriverNamesTest, WholeLinesInFileOrder) {
    Profile ini = Profile::Parse("[DriverNames]\nAltrin Pressline T90\n; old\nAltrin Pressline T90 PS\n");
    EXPECT_EQ(config::LoadDriverNames(ini),
              (std::vector<std::string>{"Altrin Pressline T90", "Altrin Pressline T90 PS"}));
    EXPECT_TRUE(config::LoadDriverNames(Profile()).empty());
}

TEST(SettingSectionsTest, EightyFourDistinctSectionsWithTheirKinds) {
    std::map<Kind, int> perKind;
    std::set<std::string> names;
    for (const config::SettingSection& s : config::kSettingSections) {
        ASSERT_NE(s.section, nullptr);
        names.insert(s.section);
        ++perKind[s.kind];
    }
    EXPECT_EQ(names.size(), 84u);
    EXPECT_EQ(perKind[Kind::List], 51);
    EXPECT_EQ(perKind[Kind::Switch], 15);
    EXPECT_EQ(perKind[Kind::Text], 7);
    EXPECT_EQ(perKind[Kind::RangeOff], 6);
    EXPECT_EQ(perKind[Kind::RangeChoice], 4);
    EXPECT_EQ(perKind[Kind::Range], 1);
    EXPECT_STREQ(config::kSettingSections[0].section, "BlankPgs");
    EXPECT_STREQ(config::kSettingSections[50].section, "PQET");
    EXPECT_STREQ(config::kSettingSections[83].section, "UsbPsAutoLng");
}

}  // namespace
