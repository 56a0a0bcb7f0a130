// The registry of port kinds: every accepted form of a port's name and the refused ones with
// their message, and the URI syntax of a network printer's name.
#include "platform/port_name.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using platform::PortKind;
using platform::PortName;
using platform::PortUri;
using platform::UriHostKind;

constexpr const char* kForms =
    "a port is named LPTn: (or LPTn) for a parallel port, USBnnn for a USB port or socket://HOST[:PORT][?options] for a network printer";

struct NameCase {
    const char* name;
    std::string text;
    PortKind kind;          // None: refused
    int number;             // LPT n or USB n
    std::string canonical;  // of an accepted name
    std::string problem;    // empty: usable; else the start of the message (the forms follow)
};

class PortNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(PortNameTest, ParsesOnceIntoKindAndParts) {
    const NameCase& c = GetParam();
    const PortName port = PortName::Parse(c.text);
    EXPECT_EQ(port.kind(), c.kind);
    EXPECT_EQ(port.text(), c.text);
    EXPECT_EQ(port.usable(), c.problem.empty());
    EXPECT_EQ(port.readable(), c.problem.empty());
    EXPECT_EQ(port.parallelNumber(), c.kind == PortKind::Parallel ? c.number : 0);
    EXPECT_EQ(port.usbNumber(), c.kind == PortKind::Usb ? c.number : 0);
    if (port.accepted()) {
        EXPECT_EQ(port.canonical(), c.canonical);
    }
    if (c.problem.empty()) {
        EXPECT_EQ(port.problem(), "");
    } else {
        EXPECT_EQ(port.problem(), c.problem + ": " + kForms);
    }
    // The parallel number the platform's device code asks for is the registry's.
    EXPECT_EQ(platform::ParallelPortNumber(c.text).value_or(0), port.parallelNumber());
}

NameCase Accepted(const char* name, std::string text, PortKind kind, int number, std::string canonical) {
    return {name, std::move(text), kind, number, std::move(canonical), ""};
}
NameCase NotAPort(const char* name, std::string text, const std::string& why = "") {
    std::string problem = "\"" + text + "\" is not a port name" + (why.empty() ? "" : " (" + why + ")");
    return {name, std::move(text), PortKind::None, 0, "", std::move(problem)};
}

INSTANTIATE_TEST_SUITE_P(
    Registry, PortNameTest,
    ::testing::Values(Accepted("ParallelWithColon", "LPT1:", PortKind::Parallel, 1, "LPT1:"),
                      Accepted("ParallelWithoutColon", "LPT1", PortKind::Parallel, 1, "LPT1:"),
                      Accepted("ParallelHighest", "LPT255", PortKind::Parallel, 255, "LPT255:"),
                      Accepted("UsbFirst", "USB001", PortKind::Usb, 1, "USB001"),
                      Accepted("UsbHighestOfThreeDigits", "USB999", PortKind::Usb, 999, "USB999"),
                      Accepted("UsbWiderNumber", "USB1000", PortKind::Usb, 1000, "USB1000"),
                      Accepted("Socket", "socket://printer:9100", PortKind::Socket, 0, "socket://printer:9100"),
                      Accepted("SocketSchemeInCapitals", "SOCKET://[::1]", PortKind::Socket, 0, "socket://[::1]"),
                      NotAPort("Empty", ""), NotAPort("Mistyped", "LTP1:"), NotAPort("LowerCase", "lpt1:"),
                      NotAPort("LeadingBlank", " LPT1"), NotAPort("ParallelWithoutNumber", "LPT:"),
                      NotAPort("ParallelZero", "LPT0:"), NotAPort("ParallelLeadingZero", "LPT01"),
                      NotAPort("ParallelAbove255", "LPT256"), NotAPort("ParallelTwoColons", "LPT1::"),
                      NotAPort("ParallelTrailingText", "LPT1:x"), NotAPort("UsbUnpadded", "USB1"),
                      NotAPort("UsbZero", "USB000"), NotAPort("UsbPaddedTooFar", "USB0001"),
                      NotAPort("UsbTooWide", "USB100000"), NotAPort("UsbLetters", "USB00A"),
                      NotAPort("FilePathIsNoPort", "/tmp/settings.npa"), NotAPort("WindowsFilePort", "FILE:"),
                      NotAPort("OtherScheme", "ipp://printer/ipp"),
                      NotAPort("MalformedSocketSaysWhy", "socket://[::1", "the IPv6 address has no closing \"]\"")),
    [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

TEST(PortKindsTest, ACommandFileIsMadeNeverNamed) {
    const PortName file = PortName::CommandFile("USB001");
    EXPECT_EQ(file.kind(), PortKind::CommandFile);
    EXPECT_TRUE(file.usable());
    EXPECT_FALSE(file.twoWay());
    EXPECT_FALSE(file.readable());
    EXPECT_EQ(file.canonical(), "USB001");
    EXPECT_EQ(file.usbNumber(), 0);
    // Every named kind has a form; only supported ones are offered.
    for (const platform::PortKindInfo& kind : platform::PortKinds()) {
        EXPECT_EQ(kind.form == nullptr, kind.kind == PortKind::CommandFile) << kind.noun;
    }
}

struct UriCase {
    const char* name;
    std::string text;
    std::optional<PortUri> uri;  // nullopt: refused
    std::string why;             // of a refused one
};

class PortUriTest : public ::testing::TestWithParam<UriCase> {};

TEST_P(PortUriTest, TakesTheNameApartOrSaysWhyNot) {
    const UriCase& c = GetParam();
    std::string why;
    const std::optional<PortUri> uri = platform::ParsePortUri(c.text, &why);
    EXPECT_EQ(uri, c.uri);
    if (!c.uri) {
        EXPECT_EQ(why, c.why);
    }
    // What it gives back parses to the same parts.
    if (uri) {
        EXPECT_EQ(platform::ParsePortUri(platform::FormatPortUri(*uri)), uri);
    }
}

PortUri Uri(std::string host, UriHostKind kind = UriHostKind::Name, std::optional<uint16_t> port = std::nullopt,
            std::vector<std::pair<std::string, std::string>> options = {}) {
    return PortUri{"socket", std::move(host), kind, port, std::move(options)};
}

UriCase Refused(const char* name, std::string text, std::string why) {
    return {name, std::move(text), std::nullopt, std::move(why)};
}

const std::string kBadPort = " is not a number from 1 to 65535";

INSTANTIATE_TEST_SUITE_P(
    Syntax, PortUriTest,
    ::testing::Values(
        UriCase{"HostName", "socket://printer.example", Uri("printer.example"), ""},
        UriCase{"HostAndPort", "socket://printer:9100", Uri("printer", UriHostKind::Name, 9100), ""},
        UriCase{"SchemeInAnyCaseHostAsGiven", "Socket://Printer-2", Uri("Printer-2"), ""},
        UriCase{"IPv4", "socket://192.168.0.10:9100", Uri("192.168.0.10", UriHostKind::IPv4, 9100), ""},
        UriCase{"IPv6Loopback", "socket://[::1]:9100", Uri("::1", UriHostKind::IPv6, 9100), ""},
        UriCase{"IPv6Whole", "socket://[2001:db8:0:0:0:0:0:1]", Uri("2001:db8:0:0:0:0:0:1", UriHostKind::IPv6), ""},
        UriCase{"IPv6WithIPv4Tail", "socket://[::ffff:192.0.2.1]", Uri("::ffff:192.0.2.1", UriHostKind::IPv6), ""},
        UriCase{"HighestPort", "socket://p:65535", Uri("p", UriHostKind::Name, 65535), ""},
        UriCase{"SlashBeforeOptions", "socket://p:9100/?snmp=false",
                Uri("p", UriHostKind::Name, 9100, {{"snmp", "false"}}), ""},
        UriCase{"OptionsInOrder", "socket://p?snmp=false&timeout=30&x=",
                Uri("p", UriHostKind::Name, std::nullopt, {{"snmp", "false"}, {"timeout", "30"}, {"x", ""}}), ""},
        UriCase{"PercentEscapesDecoded", "socket://p?name=a%20b%3d%C3%A9",
                Uri("p", UriHostKind::Name, std::nullopt, {{"name", "a b=\xC3\xA9"}}), ""},
        Refused("NoScheme", "printer:9100", "it does not start with SCHEME://"),
        Refused("EmptyHost", "socket://", "it names no host"),
        Refused("EmptyHostWithPort", "socket://:9100", "it names no host"),
        Refused("PortZero", "socket://p:0", "the port \"0\"" + kBadPort),
        Refused("PortAbove65535", "socket://p:65536", "the port \"65536\"" + kBadPort),
        Refused("PortWithLeadingZero", "socket://p:09100", "the port \"09100\"" + kBadPort),
        Refused("PortMissingAfterColon", "socket://p:", "the port \"\"" + kBadPort),
        Refused("PortWithSign", "socket://p:+80", "the port \"+80\"" + kBadPort),
        Refused("IPv6Unclosed", "socket://[::1", "the IPv6 address has no closing \"]\""),
        Refused("IPv6WithoutBrackets", "socket://fe80::1", "an IPv6 address must be written in brackets, as [::1]"),
        Refused("IPv6TwoGaps", "socket://[1::2::3]", "\"1::2::3\" is not an IPv6 address"),
        Refused("IPv6NineGroups", "socket://[1:2:3:4:5:6:7:8:9]", "\"1:2:3:4:5:6:7:8:9\" is not an IPv6 address"),
        Refused("IPv6WithZone", "socket://[fe80::1%25eth0]", "\"fe80::1%25eth0\" is not an IPv6 address"),
        Refused("TextAfterIPv6", "socket://[::1]x", "only \":PORT\" may follow the host"),
        Refused("IPv4OctetAbove255", "socket://256.1.1.1", "\"256.1.1.1\" is not an IPv4 address"),
        Refused("IPv4ThreeParts", "socket://10.1.2", "\"10.1.2\" is not an IPv4 address"),
        Refused("HostWithUnderscore", "socket://my_printer",
                "\"my_printer\" is not a host name (letters, digits and \"-\" in dot-separated labels)"),
        Refused("HostWithPercent", "socket://pr%41nter",
                "\"pr%41nter\" is not a host name (letters, digits and \"-\" in dot-separated labels)"),
        Refused("HostLabelStartsWithDash", "socket://-p",
                "\"-p\" is not a host name (letters, digits and \"-\" in dot-separated labels)"),
        Refused("UserName", "socket://user@p", "a user name (\"@\") is not allowed"),
        Refused("Path", "socket://p/queue", "a path after the host is not allowed"),
        Refused("Fragment", "socket://p#top", "a \"#\" fragment is not allowed"),
        Refused("NothingAfterQuestionMark", "socket://p?", "nothing follows the \"?\""),
        Refused("OptionWithoutValue", "socket://p?snmp", "the option \"snmp\" has no \"=VALUE\""),
        Refused("OptionWithoutName", "socket://p?=1", "an option has no name"),
        Refused("OptionTwice", "socket://p?a=1&a=2", "the option \"a\" is given twice"),
        Refused("HalfAnEscape", "socket://p?a=%2",
                "the option \"a=%2\" holds a character other than letters, digits, \"-._~\" and %XX escapes"),
        Refused("RawSpaceInValue", "socket://p?a=b c",
                "the option \"a=b c\" holds a character other than letters, digits, \"-._~\" and %XX escapes"),
        Refused("TooLong", "socket://p?a=" + std::string(1020, 'x'), "it is longer than 1024 characters")),
    [](const ::testing::TestParamInfo<UriCase>& info) { return std::string(info.param.name); });

TEST(PortUriFormatTest, WritesWhatItParsesBackInOneSpelling) {
    const PortUri uri = Uri("fe80::1", UriHostKind::IPv6, 9100, {{"a b", "x&y=z"}, {"k", ""}});
    EXPECT_EQ(platform::FormatPortUri(uri), "socket://[fe80::1]:9100?a%20b=x%26y%3Dz&k=");
    EXPECT_EQ(platform::ParsePortUri(platform::FormatPortUri(uri)), uri);
}

}  // namespace
