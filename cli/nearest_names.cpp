#include "cli/nearest_names.h"

#include <algorithm>

#include "config/ascii.h"

namespace cli {

namespace {

// Edits that turn a into b: insertions, deletions, substitutions and swaps of neighbours
// (optimal string alignment). The names are short, so the full table is cheap.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::vector<std::string> NearestNames(const std::string& given, const std::vector<std::string>& candidates,
                                      size_t most) {
    const std::string wanted = AsciiUpper(given);
    const size_t allowed = std::max<size_t>(1, wanted.size() / 3);
    struct Near {
        size_t distance;
        size_t order;
    };
    std::vector<Near> near;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const std::string candidate = AsciiUpper(candidates[i]);
        size_t distance = EditDistance(wanted, candidate);
        // A name cut short counts as one edit away, however much is missing.
        if (wanted.size() >= 3 && candidate.compare(0, wanted.size(), wanted) == 0) distance = std::min<size_t>(distance, 1);
        if (distance <= allowed) near.push_back({distance, i});
    }
    std::stable_sort(near.begin(), near.end(), [](const Near& a, const Near& b) { return a.distance < b.distance; });
    std::vector<std::string> names;
    for (const Near& n : near) {
        if (names.size() == most) break;
        names.push_back(candidates[n.order]);
    }
    return names;
}

}  // namespace cli
