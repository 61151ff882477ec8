// Checks of case-insensitive matching against the rule this system follows
// everywhere: ASCII letters match their other case, and nothing else folds.
// The characters just outside the alphabet ('@' '[' '`' '{') sit one step
// from 'A', 'Z', 'a' and 'z', so an off-by-one in a folding range shows as
// one of them matching a letter, or 'Z'/'z' not matching the other.
#pragma once

#include <functional>
#include <string>

namespace testing_support {

// Every character from 0x01 to 0x7F.
std::string AsciiCharacters();
// The letters at both ends of both cases, a middle one, and their neighbours
// outside the alphabet: for checks too slow to run over every pair.
std::string AlphabetEdges();

// Asks `same` about every ordered pair of `characters` and returns the first
// answer that differs from the rule, as a line for the failure message
// ("'Z' ~ 'z': said different"); "" when every answer follows it.
std::string FirstCaseRuleBreak(const std::function<bool(char, char)>& same,
                               const std::string& characters = AsciiCharacters());

// The rule itself: a and b are the same character, or one letter in two cases.
bool SameIgnoringAsciiCase(char a, char b);

}  // namespace testing_support
