// The model file reader and the value rules of each kind of setting.
#include <gtest/gtest.h>

#include "sim/model.h"

namespace {

bool Parses(const std::string& text, std::string* error = nullptr) {
    sim::Model m;
    std::string e;
    const bool ok = m.parse(text, e);
    if (error != nullptr) *error = e;
    return ok;
}

}  // namespace

TEST(PrinterModel, ReadsEveryKindAndThePacketCodes) {
    sim::Model m;
    std::string error;
    ASSERT_TRUE(m.parse("# comment\n"
                        "read-function E7 11\nwrite-function e7 12\n"
                        "0101 A enum values=00,01 default=01   # trailing comment\n"
                        "\n"
                        "0306 B number bytes=1 min=1 max=240 extra=00 default=14\n"
                        "0501 C number bytes=4 min=-5 max=65535 default=FFFFFFFB\n"
                        "0121 D text max=4 default=4142\n",
                        error))
        << error;
    EXPECT_EQ(m.settings().size(), 4u);
    EXPECT_EQ(m.readFunction(), 0x11);
    EXPECT_EQ(m.writeFunction(), 0x12);
    const sim::SettingDef* c = m.find(0x0501);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->accepts({0xFF, 0xFF, 0xFF, 0xFB})) << "four bytes are signed: -5";
    EXPECT_FALSE(c->accepts({0xFF, 0xFF, 0xFF, 0xFA}));
    EXPECT_FALSE(c->accepts({0x00, 0x01, 0x00, 0x00}));  // 65536
    const sim::SettingDef* b = m.find(0x0306);
    EXPECT_TRUE(b->accepts({0x00}));
    EXPECT_FALSE(b->accepts({0xF1}));
    EXPECT_EQ(m.find(0x0121)->defaultValue, (sim::Bytes{'A', 'B'}));
    EXPECT_FALSE(m.find(0x0121)->accepts({'a', '\n'}));
    EXPECT_EQ(m.find(0x9999), nullptr);
}

TEST(PrinterModel, RejectsBrokenLinesNamingTheLine) {
    std::string error;
    EXPECT_FALSE(Parses("0101 A enum values=00 default=00\n0102 B enum values=00 default=01\n", &error));
    EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
    EXPECT_FALSE(Parses("0101 A enum values=00\n"));                         // no default
    EXPECT_FALSE(Parses("0101 A number bytes=2 min=0 max=1 default=00\n"));  // width
    EXPECT_FALSE(Parses("0101 A number bytes=1 min=5 max=1 default=05\n"));  // bounds
    EXPECT_FALSE(Parses("0101 A enum values=00 default=00\n0101 B enum values=00 default=00\n"));
    EXPECT_FALSE(Parses("read-function E7\n"));
}
