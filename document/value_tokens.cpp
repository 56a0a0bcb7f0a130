#include "document/value_tokens.h"

#include <cstdint>
#include <vector>

#include "config/ascii.h"
#include "protocol/printer_text.h"

namespace value_tokens {

namespace {

// A whole decimal number, optional sign, nothing else; false when it does not fit 32 bits.
bool ParseWholeNumber(const std::string& text, long long& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
        if (value > 0xFFFFFFFFLL) return false;
    }
    if (negative) value = -value;
    return true;
}

std::string RangeText(int minVal, int maxVal) {
    return "a whole number from " + std::to_string(minVal) + " to " + std::to_string(maxVal);
}

struct Checker {
    const std::string& value;
    std::string& token;
    std::string& accepts;

    bool Among(const std::vector<std::string>& tokens) {
        for (const std::string& t : tokens) {
            if (EqualsAsciiNoCase(t, value)) {
                token = t;
                return true;
            }
        }
        return false;
    }
    bool InRange(int minVal, int maxVal) {
        long long number = 0;
        if (!ParseWholeNumber(value, number) || number < minVal || number > maxVal) return false;
        token = std::to_string(number);
        return true;
    }

    bool operator()(const config::ListDescriptor* d) {
        std::vector<std::string> tokens;
        for (const std::string& key : d->orderedKeys) tokens.push_back(config::KeyToken(key));
        accepts = "one of " + JoinTokens(tokens, " or ");
        return Among(tokens);
    }
    bool operator()(const config::SwitchDescriptor* d) {
        std::vector<std::string> tokens = {config::KeyToken(d->entry[0]), config::KeyToken(d->entry[1])};
        accepts = tokens[0] + " or " + tokens[1];
        return Among(tokens);
    }
    bool operator()(const config::TextDescriptor* d) {
        // The printer keeps a text setting in a field of maxLength bytes of its Korean code page
        // and refuses a longer value without a word (writes expect no reply), so the limit is in
        // code-page bytes: a letter or digit takes one, a Korean character two.
        accepts = "a text of at most " + std::to_string(d->maxLength) +
                  " bytes on one line (a letter or digit takes one, a Korean character two)";
        const size_t length = npa::PrinterTextLength(value);
        if (length == SIZE_MAX) {
            accepts += ", in characters the printer's Korean code page has";
            return false;
        }
        if (length > static_cast<size_t>(d->maxLength < 0 ? 0 : d->maxLength)) return false;
        // One line, as a page's edit field holds: a line break would also split `read`'s output.
        for (unsigned char c : value) {
            if (c < 0x20 || c == 0x7F) return false;
        }
        token = value;
        return true;
    }
    bool operator()(const config::RangeDescriptor* d) {
        accepts = RangeText(d->minVal, d->maxVal);
        return InRange(d->minVal, d->maxVal);
    }
    bool operator()(const config::RangeOffDescriptor* d) {
        accepts = d->offValue + " or " + RangeText(d->minVal, d->maxVal);
        return (!d->offValue.empty() && Among({d->offValue})) || InRange(d->minVal, d->maxVal);
    }
    bool operator()(const config::RangeChoiceDescriptor* d) {
        accepts = (d->choices.empty() ? std::string() : JoinTokens(d->choices, ", ") + " or ") +
                  RangeText(d->minVal, d->maxVal);
        return Among(d->choices) || InRange(d->minVal, d->maxVal);
    }
};

std::optional<Stored> FromKey(const std::string& key) {
    if (key.find(':') == std::string::npos) return std::nullopt;
    return Stored{config::KeyName(key), config::KeyToken(key)};
}

}  // namespace

std::optional<Stored> ForListKey(const std::string& key) { return FromKey(key); }

std::optional<Stored> ForSwitch(const config::SwitchDescriptor& d, bool checked) {
    return FromKey(d.entry[checked ? 1 : 0]);
}

Stored ForRangeOff(const config::RangeOffDescriptor& d, bool checked, const std::string& numberText) {
    return Stored{d.npaName, checked ? numberText : d.offValue};
}

std::optional<Stored> ForRangeChoice(const config::RangeChoiceDescriptor& d, int index,
                                     const std::string& numberText) {
    if (index == 3) return Stored{d.npaName, numberText};
    if (index != 1 && index != 2) return std::nullopt;
    const size_t i = static_cast<size_t>(index - 1);
    if (i >= d.choices.size()) return std::nullopt;
    return Stored{d.npaName, d.choices[i]};
}

std::optional<std::string> ForValue(const DescriptorRef& descriptor, const std::string& value,
                                    std::string* accepts) {
    std::string token, what;
    if (!std::visit(Checker{value, token, what}, descriptor)) {
        if (accepts) *accepts = what;
        return std::nullopt;
    }
    if (accepts) *accepts = what;
    return token;
}

std::string JoinTokens(const std::vector<std::string>& tokens, const std::string& last) {
    std::string out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (i) out += i + 1 == tokens.size() ? last : ", ";
        out += tokens[i];
    }
    return out;
}

}  // namespace value_tokens
