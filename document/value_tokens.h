// Which value token a setting's control state stands for, in both directions: what a page stores
// when the user sets a control (a list entry, a box ticked or cleared, a number or its off value,
// one of two choices), and which token a value given from outside (a NAME=VALUE argument, an
// imported file) would be stored as, if any page control can hold it. One rule, so the pages, the
// command line and the import accept and store the same tokens.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/config.h"
#include "document/printer_doc.h"

namespace value_tokens {

// One value as the document stores it.
struct Stored {
    std::string name;
    std::string token;
    bool operator==(const Stored&) const = default;
};

// A list entry's key NPANAME:TOKEN; nothing for a key without ":".
std::optional<Stored> ForListKey(const std::string& key);
// A plain check box: entry[1] when ticked, entry[0] when clear; nothing when the section did not
// give two values.
std::optional<Stored> ForSwitch(const config::SwitchDescriptor& d, bool checked);
// A check box that switches a number: the number's text when ticked, the off value when clear.
Stored ForRangeOff(const config::RangeOffDescriptor& d, bool checked, const std::string& numberText);
// Three radio buttons: 1 the first choice, 2 the second, 3 the number's text; nothing for another
// index or a choice the section does not have.
std::optional<Stored> ForRangeChoice(const config::RangeChoiceDescriptor& d, int index,
                                     const std::string& numberText);

// The token a page control would store for value (tokens compared without letter case, numbers
// whole and in range, texts on one line that fit the printer's field in its code page's bytes),
// or nothing. accepts, when given, receives what the setting takes, in English.
std::optional<std::string> ForValue(const DescriptorRef& descriptor, const std::string& value,
                                    std::string* accepts = nullptr);

// The tokens as a list for a message: "A, B or C" with last " or ".
std::string JoinTokens(const std::vector<std::string>& tokens, const std::string& last);

}  // namespace value_tokens
