// The string table: every user-visible text of the program, Korean, addressed by numeric id.
#pragma once

#include <string>
#include <string_view>

namespace res {
// The text of string id, UTF-8; an empty text for an unknown id.
const std::string& String(int id);
// Whether the table has the id.
bool HasString(int id);
// The text of string id with value in place of its "%s" (the texts that take one have one);
// the text unchanged when it has none.
std::string Format(int id, std::string_view value);
}  // namespace res
