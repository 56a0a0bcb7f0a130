// "Did you mean" for a mistyped name: the candidates nearest to it. Not for use outside cli/.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace cli {

// The candidates near given, nearest first (equally near ones in the order given), at most
// `most`. Letter case does not count. Near means: within a few edits (a letter added, dropped,
// changed, or two neighbours swapped; one edit for every three letters of given, at least one),
// or beginning with given when given has three letters or more (a name cut short).
std::vector<std::string> NearestNames(const std::string& given, const std::vector<std::string>& candidates,
                                      size_t most);

}  // namespace cli
