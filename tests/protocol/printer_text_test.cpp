// The printer's code page through the system's converter (iconv on Linux, the Win32 code-page
// functions on Windows): both builds must give the same bytes and texts.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "protocol/printer_text.h"

namespace {

struct EncodeCase {
    const char* name;
    std::string utf8;
    bool representable;
    std::string bytes;  // the code-page bytes when representable
};

class EncodeTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeTest, GivesTheCodePageBytesOrRefuses) {
    const EncodeCase& c = GetParam();
    std::string out = "left over";
    EXPECT_EQ(npa::EncodePrinterText(c.utf8, out), c.representable);
    EXPECT_EQ(out, c.representable ? c.bytes : std::string());
    EXPECT_EQ(npa::PrinterTextLength(c.utf8), c.representable ? c.bytes.size() : SIZE_MAX);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EncodeTest,
    ::testing::Values(
        EncodeCase{"Empty", "", true, ""},
        EncodeCase{"Ascii", "Letter A4", true, "Letter A4"},
        // Two bytes for each Korean syllable: one from KS X 1001 and one only the extended code
        // page has.
        EncodeCase{"Korean", "\xED\x95\x9C\xEA\xB8\x80", true, "\xC7\xD1\xB1\xDB"},
        EncodeCase{"ExtendedHangul", "\xEA\xB0\x82", true, "\x81\x41"},
        EncodeCase{"MixedWithLatinLetterOfTheCodePage", "\xC3\x9F" "A", true, "\xA9\xAC" "A"},
        // Windows would make "cafe" of it with a best fit: the user's text is not what arrives.
        EncodeCase{"AccentWithoutPlaceInCodePage", "caf\xC3\xA9", false, ""},
        EncodeCase{"Emoji", "\xF0\x9F\x98\x80", false, ""},
        EncodeCase{"InvalidUtf8", "ab\xFF", false, ""},
        EncodeCase{"TruncatedUtf8", "\xED\x95", false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::string utf8;
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, KeepsWhatConvertsAndMarksTheRest) {
    const DecodeCase& c = GetParam();
    EXPECT_EQ(npa::DecodePrinterText(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DecodeTest,
    ::testing::Values(
        DecodeCase{"Empty", "", ""},
        DecodeCase{"Korean", "\xC7\xD1\xB1\xDB", "\xED\x95\x9C\xEA\xB8\x80"},
        DecodeCase{"ExtendedHangul", "\x81\x41", "\xEA\xB0\x82"},
        // A lead byte at the end has lost its second byte.
        DecodeCase{"CutAfterLeadByte", std::string("A\xC7", 2), "A\xEF\xBF\xBD"},
        // A byte that starts no character is replaced; the text around it stays.
        DecodeCase{"BadByteInTheMiddle", std::string("ab\xFF" "cd", 5), "ab\xEF\xBF\xBD" "cd"},
        DecodeCase{"KoreanAfterBadByte", std::string("\xFF\xC7\xD1", 3), "\xEF\xBF\xBD\xED\x95\x9C"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrinterTextTest, RoundTripOfEveryKoreanSyllableIsExact) {
    // U+AC00..U+D7A3: every modern syllable is in the extended code page.
    for (char32_t c = 0xAC00; c <= 0xD7A3; ++c) {
        std::string utf8 = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                            static_cast<char>(0x80 | (c & 0x3F))};
        std::string bytes;
        ASSERT_TRUE(npa::EncodePrinterText(utf8, bytes)) << std::hex << static_cast<uint32_t>(c);
        ASSERT_EQ(bytes.size(), 2u);
        ASSERT_EQ(npa::DecodePrinterText(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), utf8);
    }
}

}  // namespace
