// The string table: texts whose blanks, placeholders, line breaks or accents are easy to get wrong,
// and the answer for ids the table does not have.
#include "strings/string_table.h"

#include <gtest/gtest.h>

namespace {

TEST(StringTable, KeepsSpacingPlaceholdersAndLineBreaks) {
    // Two blanks after the first full stop.
    EXPECT_EQ(res::String(61305), "설정을 코멘드 파일에 저장합니다.  잠시 기다리십시오...");
    EXPECT_EQ(res::String(61304), "프린터에 설정을 적용 하고 있습니다. 잠시 기다리십시오...");
    // The path goes in place of %s.
    EXPECT_EQ(res::String(61290), "코멘드 파일 %s에 설정을 저장 할 수 없습니다.");
    // Menu help: the short name follows a real line break.
    EXPECT_EQ(res::String(57664), "프로그램 정보, 버전 번호 및 저작권\n정보 표시");
    EXPECT_EQ(res::String(57681), "이전의 창으로 변경\n이전 창");
    // Page titles start with a blank and use two blanks around ">".
    EXPECT_EQ(res::String(61291), " 용지");
    EXPECT_EQ(res::String(61299), " PCL 에뮬레이션  >  트레이 번호");
}

TEST(StringTable, HoldsFontTitleAndAccentedLabelsAsUtf8) {
    EXPECT_EQ(res::String(61303), "굴림");
    EXPECT_EQ(res::String(57344), "Altrin Pressline T90 설정 유틸리티");
    EXPECT_EQ(res::String(61269), "Fran\xC3\xA7" "ais");
    EXPECT_EQ(res::String(61277), "Portugu\xC3\xAA" "s");
    EXPECT_EQ(res::String(61326), "7 3/4 봉투");
    // Two tree captions share a text under different ids.
    EXPECT_EQ(res::String(61215), res::String(61218));
}

TEST(StringTable, CoversTheEdgesOfBothRanges) {
    EXPECT_EQ(res::String(57345), "준비됨");
    EXPECT_EQ(res::String(61184), "창 사이즈 변경");
    EXPECT_EQ(res::String(61332), "기타 봉투");
    EXPECT_EQ(res::String(61345), "가상 프린터 오류");
    EXPECT_EQ(res::String(32772), "다른 운영 시스템에서 사용하기 위해 설정 변경 사항을 코멘드 파일에 저장.");
    for (int id = 61211; id <= 61225; ++id) EXPECT_FALSE(res::String(id).empty()) << id;
    for (int id = 61308; id <= 61346; ++id) EXPECT_TRUE(res::HasString(id)) << id;
}

TEST(StringTable, UnknownIdGivesOneStableEmptyText) {
    for (int id : {0, -1, 1, 57343, 61226, 61263, 61293, 65000, 99999}) {
        EXPECT_FALSE(res::HasString(id)) << id;
        EXPECT_TRUE(res::String(id).empty()) << id;
    }
    // References stay valid and point at the same object on every call.
    EXPECT_EQ(&res::String(61226), &res::String(0));
    EXPECT_EQ(&res::String(61303), &res::String(61303));
}

TEST(StringTable, FormatPutsTheValueInPlaceOfThePlaceholder) {
    EXPECT_EQ(res::Format(61290, "/tmp/a.npa"), "코멘드 파일 /tmp/a.npa에 설정을 저장 할 수 없습니다.");
    EXPECT_EQ(res::Format(61336, "PQET, RESREDUCTION"),
              "다음 설정이 프린터에 적용되지 않았습니다: PQET, RESREDUCTION\n설정을 다시 적용 하십시오.");
    EXPECT_EQ(res::Format(61245, "x"), res::String(61245));
    EXPECT_EQ(res::Format(99999, "x"), "");
}

}  // namespace
