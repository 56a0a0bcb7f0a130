// The link's log: entry format, level bits, message limit and hex dump layout.
#include <regex>

#include "link_fixture.h"

namespace linktest {
namespace {

using LinkLog = LinkTest;

// One complete session on a two-way port: open, read, offline, write, online, close.
void RunSession() {
    ASSERT_EQ(SlcOpenPort("LPT1:"), SLC_OK);
    const Bytes request = BatchRead();
    uint8_t reply[2048];
    uint32_t length = sizeof reply;
    ASSERT_EQ(SlcSendCommand("LPT1:", request.data(), static_cast<uint32_t>(request.size()), reply, &length), SLC_OK);
    ASSERT_EQ(SlcOffline("LPT1:", 1), SLC_OK);
    ASSERT_EQ(SlcOffline("LPT1:", 0), SLC_OK);
    ASSERT_EQ(SlcClosePort("LPT1:"), SLC_OK);
    SlcShutdown();
}

// The message part of every entry (the text after "HH:MM:SS tick: ").
std::vector<std::string> Messages(const std::string& log) {
    static const std::regex entry(R"((\d\d:\d\d:\d\d) (\d+): )");
    std::vector<std::string> out;
    for (std::sregex_iterator it(log.begin(), log.end(), entry), end; it != end; ++it) {
        const size_t from = static_cast<size_t>(it->position() + it->length());
        auto next = std::next(it);
        const size_t to = next == end ? log.size() : static_cast<size_t>(next->position());
        out.push_back(log.substr(from, to - from));
    }
    return out;
}

TEST_F(LinkLog, LevelZeroNeverTouchesTheLog) {
    AddPrinter();
    RunSession();
    EXPECT_TRUE(sim_->loggingLevelCreated());  // the missing value was stored as 0
    EXPECT_FALSE(sim_->logCreated());
    EXPECT_FALSE(sim_->logWritten());
}

TEST_F(LinkLog, PublicLevelLogsOnlyThePublicOperations) {
    sim_->setLoggingLevel(SLC_LOG_PUBLIC);
    AddPrinter();
    RunSession();
    const std::vector<std::string> messages = Messages(sim_->logText());
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "SlcOpenPort(LPT1:)\n\n");
    for (const std::string& m : messages) {
        const bool isPublic = m.rfind("Slc", 0) == 0 && m.rfind("SlcShutdown", 0) != 0;
        EXPECT_TRUE(isPublic) << m;
    }
    EXPECT_TRUE(LogHas("SlcOffline(LPT1:, offline) - registering for offline alert\n"));
    EXPECT_TRUE(LogHas("SlcClosePort(LPT1:) - port is parallel\n"));
}

TEST_F(LinkLog, DataLevelLogsOnlyDumpsAndTheirCaptions) {
    sim_->setLoggingLevel(SLC_LOG_DATA);
    AddPrinter();
    RunSession();
    const std::vector<std::string> messages = Messages(sim_->logText());
    ASSERT_FALSE(messages.empty());
    static const std::regex dumpLine(R"(((?:[0-9A-F]{2} |   ){16}) \| [ -~]*\n\n)");
    for (const std::string& m : messages) {
        const bool isData = m == "\n" || std::regex_match(m, dumpLine) || m.find("before WriteFile()") != std::string::npos ||
                            m.rfind("ParReadPort() - ", 0) == 0 || m.rfind("got something", 0) == 0;
        EXPECT_TRUE(isData) << m;
    }
    EXPECT_TRUE(LogHas("ParSendCommand(): before WriteFile()\n"));
    EXPECT_TRUE(LogHas("ParOffline(): before WriteFile()\n"));
}

TEST_F(LinkLog, HexDumpLayout) {
    sim_->setLoggingLevel(SLC_LOG_DATA);
    SlcInit();
    uint8_t bytes[20];
    for (uint8_t i = 0; i < 20; ++i) bytes[i] = static_cast<uint8_t>(0x3A + i);
    bytes[0] = 0x00;
    bytes[1] = 0x7F;
    SlcLogHex(bytes, 20);
    const std::vector<std::string> messages = Messages(sim_->logText());
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], "00 7F 3C 3D 3E 3F 40 41 42 43 44 45 46 47 48 49  | ..<=>?@ABCDEFGHI\n\n");
    EXPECT_EQ(messages[1], "4A 4B 4C 4D " + std::string(12 * 3, ' ') + " | JKLM\n\n");
    EXPECT_EQ(messages[2], "\n");  // the empty closing entry

    // The count is a 16-bit quantity: 65536 + 1 bytes dump as one.
    sim_->clearLog();
    std::vector<uint8_t> many(65537, 0x41);
    SlcLogHex(many.data(), 65537);
    EXPECT_EQ(Messages(sim_->logText()).size(), 2u);
}

TEST_F(LinkLog, EntryFormatAndMessageLimit) {
    sim_->setLoggingLevel(SLC_LOG_PUBLIC);
    SlcInit();
    EXPECT_TRUE(sim_->logCreated());
    SlcLog(SLC_LOG_PUBLIC, "SlcOpenPort(%s) - returning %d\n", "LPT1:", -4);
    SlcLog(SLC_LOG_TRACE, "not at this level\n");
    const std::string longText(3000, 'x');
    SlcLog(SLC_LOG_PUBLIC, "%s", longText.c_str());
    const std::string log = sim_->logText();
    EXPECT_TRUE(std::regex_search(log, std::regex(R"(^\d\d:\d\d:\d\d \d+: SlcOpenPort\(LPT1:\) - returning -4\n\n)")))
        << log;
    const std::vector<std::string> messages = Messages(log);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], std::string(1023, 'x') + "\n");
}

}  // namespace
}  // namespace linktest
