#include "mb_char.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Random bytes with no NUL, biased towards the bytes that start or continue
// multibyte characters, so that malformed and cut-short sequences are common.
std::string RandomText(std::mt19937& random, size_t length) {
    static const unsigned char kInteresting[] = {'a',  '\\', 0x5C, 0x80, 0x81, 0x95, 0x9F,
                                                 0xA0, 0xBF, 0xC2, 0xC3, 0xE0, 0xE2, 0xED,
                                                 0xF0, 0xF4, 0xFC, 0xFE, 0xFF, 0x40};
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        unsigned char byte = random() % 2 ? kInteresting[random() % sizeof kInteresting]
                                          : static_cast<unsigned char>(random() % 255 + 1);
        text.push_back(static_cast<char>(byte));
    }
    return text;
}

// The character starts found walking forward from the beginning.
std::vector<size_t> ForwardStarts(const std::string& text, UINT code_page) {
    std::vector<size_t> starts;
    auto* base = reinterpret_cast<const unsigned char*>(text.c_str());
    for (size_t pos = 0; pos < text.size(); pos += win32::CharLength(base + pos, code_page)) {
        starts.push_back(pos);
    }
    return starts;
}

// Walking back from the end must visit exactly the starts that walking forward
// found, whatever bytes the text holds.
void ExpectBackwardWalkMatchesForward(UINT code_page) {
    std::mt19937 random(1234 + code_page);
    for (int round = 0; round < 2000; ++round) {
        std::string text = RandomText(random, random() % 24);
        std::vector<size_t> forward = ForwardStarts(text, code_page);
        auto* base = reinterpret_cast<const unsigned char*>(text.c_str());
        std::vector<size_t> backward;
        const unsigned char* p = base + text.size();
        while ((p = win32::PreviousChar(base, p, code_page)) != nullptr) {
            backward.insert(backward.begin(), static_cast<size_t>(p - base));
        }
        ASSERT_EQ(backward, forward) << "code page " << code_page << ", round " << round;
    }
}

TEST(CharBoundaries, Utf8BackwardWalkMatchesForwardWalk) {
    ExpectBackwardWalkMatchesForward(65001);
}

TEST(CharBoundaries, Cp932BackwardWalkMatchesForwardWalk) {
    ExpectBackwardWalkMatchesForward(932);
}

TEST(CharBoundaries, SingleByteCodePageHasOneByteCharacters) {
    ExpectBackwardWalkMatchesForward(1252);
    const unsigned char text[] = "\xE9\x80";
    EXPECT_EQ(win32::CharLength(text, 1252), 1u);
}

TEST(CharBoundaries, CharactersNeverRunPastTheTerminator) {
    std::mt19937 random(99);
    for (UINT code_page : {65001u, 932u, 936u}) {
        for (int round = 0; round < 2000; ++round) {
            std::string text = RandomText(random, random() % 8);
            auto* base = reinterpret_cast<const unsigned char*>(text.c_str());
            size_t pos = 0;
            while (pos < text.size()) pos += win32::CharLength(base + pos, code_page);
            ASSERT_EQ(pos, text.size()) << "code page " << code_page;
        }
    }
}

TEST(CharBoundaries, ValueIsTheBytesBigEndian) {
    const unsigned char euro[] = "\xE2\x82\xAC";
    EXPECT_EQ(win32::CharValue(euro, 3), 0xE282ACu);
    EXPECT_EQ(win32::CharValue(euro, 1), 0xE2u);
}

}  // namespace
