// The printer's code page through the system's converter (iconv on Linux, the Win32 code-page
// functions on Windows): both builds must give the same bytes and texts.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

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

struct FitCase {
    const char* name;
    std::string utf8;
    size_t maxBytes;
    std::string kept;
    size_t keptBytes;
    std::vector<std::string> leftOut;
};

void PrintTo(const FitCase& c, std::ostream* os) { *os << c.name; }

class FitTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitTest, KeepsWhatTheCodePageHasUpToTheLimitAndNamesTheRest) {
    const FitCase& c = GetParam();
    const npa::PrinterTextFit fit = npa::FitPrinterText(c.utf8, c.maxBytes);
    EXPECT_EQ(fit.kept, c.kept);
    EXPECT_EQ(fit.keptBytes, c.keptBytes);
    EXPECT_EQ(fit.leftOut, c.leftOut);
    EXPECT_EQ(npa::PrinterTextLength(fit.kept), fit.keptBytes);
}

const std::string kE = "\xC3\xA9", kEUmlaut = "\xC3\xAB", kGrin = "\xF0\x9F\x98\x80";
const std::string kGa = "\xEA\xB0\x80", kNa = "\xEB\x82\x98";

INSTANTIATE_TEST_SUITE_P(
    Texts, FitTest,
    ::testing::Values(
        FitCase{"Empty", "", 16, "", 0, {}},
        // Every character the code page lacks goes; the blanks around them stay.
        FitCase{"AccentsAndEmoji", "Caf" + kE + " " + kGrin + " Zo" + kEUmlaut, 40, "Caf  Zo", 7, {kE, kGrin, kEUmlaut}},
        FitCase{"RepeatedCharacterNamedOnce", kE + "A" + kE, 40, "A", 1, {kE}},
        FitCase{"NothingFits", kGrin + kGrin, 40, "", 0, {kGrin}},
        FitCase{"CutAtTheLimitCountingKoreanAsTwo", "AB" + kGa + kNa, 4, "AB" + kGa, 4, {}},
        // A Korean character does not fit into one byte left: the cut comes before it, even
        // where a one-byte character after it would fit.
        FitCase{"NoHalfCharacter", "A" + kGa + "B", 2, "A", 1, {}},
        FitCase{"PastTheCutNothingIsLookedAt", "ABC" + kGrin, 2, "AB", 2, {}},
        FitCase{"LeftOutBeforeTheCut", kGrin + "ABC", 2, "AB", 2, {kGrin}},
        FitCase{"BytesThatAreNoUtf8", "a\xFF" "b\xED\x95", 40, "ab", 2, {"\xFF", "\xED", "\x95"}},
        FitCase{"NoRoomAtAll", "A", 0, "", 0, {}}),
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
