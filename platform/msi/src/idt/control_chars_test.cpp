#include "idt/control_chars.h"

#include <gtest/gtest.h>

namespace msi::idt {
namespace {

TEST(ControlCharsTest, EachOfTheSixCharactersHasItsReplacement) {
    std::string out;
    AppendEscaped(std::string("a\0b\bc\td\ne\ff\rg", 13), out);
    EXPECT_EQ(std::string("a\x15"
                          "b\x1B"
                          "c\x10"
                          "d\x19"
                          "e\x18"
                          "f\x11"
                          "g"),
              out);
}

TEST(ControlCharsTest, OtherControlCharactersAndHighBytesStayAsTheyAre) {
    std::string out;
    AppendEscaped("\x01\x05\x1F\x7F\xE9", out);
    EXPECT_EQ("\x01\x05\x1F\x7F\xE9", out);
}

TEST(ControlCharsTest, EscapedValueHoldsNoFieldOrLineSeparator) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    std::string out;
    AppendEscaped(all, out);
    EXPECT_EQ(std::string::npos, out.find_first_of(std::string("\t\r\n\0", 4)));
}

TEST(ControlCharsTest, UnescapeRestoresEveryByteOutsideTheReplacementCodes) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        if (b != 0x10 && b != 0x11 && b != 0x15 && b != 0x18 && b != 0x19 && b != 0x1B)
            all += static_cast<char>(b);
    std::string out = "prefix:";
    AppendEscaped(all, out);
    EXPECT_EQ("prefix:" + all, "prefix:" + Unescape(out.substr(7)));
}

TEST(ControlCharsTest, AppendKeepsWhatTheBufferAlreadyHeld) {
    std::string out = "\t";
    AppendEscaped("\t", out);
    EXPECT_EQ("\t\x10", out);
}

}  // namespace
}  // namespace msi::idt
