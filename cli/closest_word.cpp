#include "closest_word.h"

#include <algorithm>
#include <cstddef>

namespace cli {

namespace {

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string ClosestWord(const std::string& typed, const std::vector<std::string>& words) {
    std::string best;
    std::size_t best_distance = 3;  // more than two edits away is no typo
    for (const std::string& word : words) {
        if (!typed.empty() && word.rfind(typed, 0) == 0) return word;
        const std::size_t distance = EditDistance(typed, word);
        if (distance < best_distance) {
            best_distance = distance;
            best = word;
        }
    }
    return best;
}

}  // namespace cli
