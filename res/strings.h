// The string table: every user-visible text of the program, Korean, addressed by numeric id.
#pragma once

#include <string>

namespace res {
// The text of string id, UTF-8; an empty text for an unknown id.
const std::string& String(int id);
// Whether the table has the id.
bool HasString(int id);
}  // namespace res
