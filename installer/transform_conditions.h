// A transform's summary says under which conditions it applies: its
// character-count property holds, in the high word, the checks made against
// the target (language, product code, versions, upgrade code) and, in the
// low word, the error conditions the apply passes over. These turn both into
// words (tablesmith-cli info, the viewer).
#pragma once

#include <string>
#include <vector>

namespace installer {

// The validation checks of a transform, one word group a set bit, in bit
// order ("language", "product code", "major version", "new version > base
// version", ...); a bit no check has reads "bit 0xNNNN".
std::vector<std::string> ValidationFlagWords(unsigned validation);
// The error conditions the apply suppresses ("add existing row", ...).
std::vector<std::string> ErrorConditionWords(unsigned conditions);

// The words joined by ", ", "none" for none.
std::string JoinWords(const std::vector<std::string>& words);

}  // namespace installer
