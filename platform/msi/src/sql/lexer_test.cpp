#include "sql/lexer.h"

#include <gtest/gtest.h>

#include "ascii_case.h"

namespace msi::sql {
namespace {

std::vector<TokenKind> Kinds(const std::vector<Token>& tokens) {
    std::vector<TokenKind> kinds;
    for (const Token& t : tokens) kinds.push_back(t.kind);
    return kinds;
}

std::string ErrorOf(std::string_view query) {
    auto tokens = Tokenize(query);
    return tokens.ok() ? "(no error)" : tokens.status().message();
}

TEST(SqlLexer, KeywordsAreRecognisedInAnyCase) {
    auto tokens = Tokenize("select SeLeCt SELECT");
    ASSERT_TRUE(tokens.ok());
    ASSERT_EQ(tokens->size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ((*tokens)[i].kind, TokenKind::kKeyword);
        EXPECT_EQ((*tokens)[i].keyword, Keyword::kSelect);
    }
    EXPECT_EQ((*tokens)[3].kind, TokenKind::kEnd);
    EXPECT_EQ((*tokens)[3].column, 21);
}

// Each letter of each keyword, replaced by every ASCII character in turn:
// the word stays the keyword exactly when the character is that letter in
// either case.
TEST(SqlLexer, KeywordLettersFoldByTheCaseRuleOnly) {
    for (int k = static_cast<int>(Keyword::kNone) + 1; k <= static_cast<int>(Keyword::kWhere);
         ++k) {
        const auto keyword = static_cast<Keyword>(k);
        const std::string spelling(KeywordSpelling(keyword));
        ASSERT_FALSE(spelling.empty()) << k;
        for (size_t i = 0; i < spelling.size(); ++i) {
            for (char c : testing_support::AsciiCharacters()) {
                std::string word = spelling;
                word[i] = c;
                EXPECT_EQ(LookUpKeyword(word) == keyword,
                          testing_support::SameIgnoringAsciiCase(c, spelling[i]))
                    << word;
            }
        }
    }
}

TEST(SqlLexer, QuotedNamesAreNeverKeywordsAndKeepSpaces) {
    auto tokens = Tokenize("`Select` `My Table`");
    ASSERT_TRUE(tokens.ok());
    EXPECT_EQ((*tokens)[0].kind, TokenKind::kQuotedName);
    EXPECT_EQ((*tokens)[0].text, "Select");
    EXPECT_EQ((*tokens)[1].text, "My Table");
    EXPECT_EQ((*tokens)[1].column, 10);
}

TEST(SqlLexer, PunctuationAndOperators) {
    auto tokens = Tokenize("(),.*-?=<><<=>>=");
    ASSERT_TRUE(tokens.ok());
    EXPECT_EQ(Kinds(*tokens),
              (std::vector<TokenKind>{TokenKind::kLeftParen, TokenKind::kRightParen,
                                      TokenKind::kComma, TokenKind::kDot, TokenKind::kStar,
                                      TokenKind::kMinus, TokenKind::kParameter, TokenKind::kEq,
                                      TokenKind::kNe, TokenKind::kLt, TokenKind::kLe,
                                      TokenKind::kGt, TokenKind::kGe, TokenKind::kEnd}));
}

TEST(SqlLexer, StringsHaveNoEscapes) {
    auto tokens = Tokenize("'it''s'");
    ASSERT_TRUE(tokens.ok());
    // Two adjacent strings, not one string with a quote inside.
    ASSERT_EQ(tokens->size(), 3u);
    EXPECT_EQ((*tokens)[0].text, "it");
    EXPECT_EQ((*tokens)[1].text, "s");
    EXPECT_EQ((*tokens)[1].column, 5);
}

TEST(SqlLexer, NamesMayHoldUtf8AndUnderscores) {
    auto tokens = Tokenize("_Tabl\xC3\xA9 a1");
    ASSERT_TRUE(tokens.ok());
    EXPECT_EQ((*tokens)[0].kind, TokenKind::kName);
    EXPECT_EQ((*tokens)[0].text, "_Tabl\xC3\xA9");
    EXPECT_EQ((*tokens)[1].text, "a1");
}

TEST(SqlLexer, HyphenContinuesANameAndStartsOneUnlessADigitFollows) {
    auto tokens = Tokenize("Foo-Bar -1 =-2 -a");
    ASSERT_TRUE(tokens.ok());
    EXPECT_EQ(Kinds(*tokens),
              (std::vector<TokenKind>{TokenKind::kName, TokenKind::kMinus, TokenKind::kInteger,
                                      TokenKind::kEq, TokenKind::kMinus, TokenKind::kInteger,
                                      TokenKind::kName, TokenKind::kEnd}));
    EXPECT_EQ((*tokens)[0].text, "Foo-Bar");
    EXPECT_EQ((*tokens)[6].text, "-a");
}

TEST(SqlLexer, WhitespaceIsSpaceTabNewlineFormFeed) {
    auto tokens = Tokenize(" \t\n\fa");
    ASSERT_TRUE(tokens.ok());
    EXPECT_EQ((*tokens)[0].column, 5);
}

TEST(SqlLexer, ErrorsGiveTheColumnAndWhatIsWrong) {
    EXPECT_EQ(ErrorOf("SELECT 'abc"), "col 8: unterminated string");
    EXPECT_EQ(ErrorOf("SELECT `abc"), "col 8: unterminated quoted name");
    EXPECT_EQ(ErrorOf("SELECT ``"), "col 8: empty quoted name");
    EXPECT_EQ(ErrorOf("a != b"), "col 3: unexpected character '!' (use <> for 'not equal')");
    EXPECT_EQ(ErrorOf("a ; b"), "col 3: unexpected character ';'");
    EXPECT_EQ(ErrorOf("a\r\n"), "col 2: unexpected byte 0x0D");
    EXPECT_EQ(ErrorOf(std::string_view("a\0", 2)), "col 2: unexpected byte 0x00");
    EXPECT_EQ(ErrorOf("x = 12ab"), "col 5: a name cannot start with a digit");
}

TEST(SqlLexer, EveryKeywordSpellingLooksUpItsKeyword) {
    int count = 0;
    for (int k = static_cast<int>(Keyword::kAdd); k <= static_cast<int>(Keyword::kWhere); ++k) {
        const auto keyword = static_cast<Keyword>(k);
        const std::string_view spelling = KeywordSpelling(keyword);
        ASSERT_FALSE(spelling.empty()) << k;
        EXPECT_EQ(LookUpKeyword(spelling), keyword) << spelling;
        ++count;
    }
    EXPECT_EQ(count, 37);
    EXPECT_EQ(LookUpKeyword("Localizable"), Keyword::kLocalizable);
    EXPECT_EQ(LookUpKeyword("SELECTS"), Keyword::kNone);
    EXPECT_EQ(LookUpKeyword("VARCHAR"), Keyword::kNone);
}

TEST(SqlLexer, EmptyQueryIsJustTheEnd) {
    auto tokens = Tokenize("");
    ASSERT_TRUE(tokens.ok());
    ASSERT_EQ(tokens->size(), 1u);
    EXPECT_EQ((*tokens)[0].kind, TokenKind::kEnd);
    EXPECT_EQ((*tokens)[0].column, 1);
}

}  // namespace
}  // namespace msi::sql
