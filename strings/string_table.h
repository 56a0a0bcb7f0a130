// The string table: every user-visible text of the program, Korean and English, addressed by
// numeric id.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "strings/language.h"

namespace res {
// The text of string id in the window's language (CurrentLanguage()), UTF-8; an empty text for
// an unknown id. The reference stays valid for the program's life, whatever language is chosen
// later.
const std::string& String(int id);
// The text of string id in the given language.
const std::string& String(int id, Language language);
// Whether the table has the id.
bool HasString(int id);
// Every id of the table, ascending.
std::vector<int> StringIds();
// The text of string id with value in place of its "%s" (the texts that take one have one);
// the text unchanged when it has none.
std::string Format(int id, std::string_view value);
}  // namespace res
