// The tokens of the installer's SQL dialect, as the lexer hands them to the
// parser. A token keeps its 1-based column in the query so that every error
// can say where it happened.
#pragma once

#include <string>
#include <string_view>

namespace msi::sql {

enum class TokenKind {
    kEnd,         // end of the query; always the last token
    kName,        // plain name: letters, digits, '_', bytes >= 0x80; never a keyword
    kQuotedName,  // `back-quoted name`; text holds the name without the quotes
    kKeyword,     // a reserved word; `keyword` says which
    kString,      // 'single-quoted string'; text holds it without the quotes
    kInteger,     // decimal digits only; a minus sign is a separate token
    kComma,
    kDot,
    kLeftParen,
    kRightParen,
    kStar,
    kMinus,
    kParameter,  // '?'
    kEq,
    kNe,  // "<>"
    kLt,
    kGt,
    kLe,
    kGe,
};

// The reserved words. A name that spells one of them (in any case) must be
// back-quoted to be used as a table or column name.
enum class Keyword {
    kNone,
    kAdd,
    kAlter,
    kAnd,
    kBy,
    kChar,
    kCharacter,
    kCreate,
    kDelete,
    kDistinct,
    kDrop,
    kFree,
    kFrom,
    kHold,
    kInsert,
    kInt,
    kInteger,
    kInto,
    kIs,
    kKey,
    kLike,
    kLocalizable,
    kLong,
    kLongChar,
    kNot,
    kNull,
    kObject,
    kOr,
    kOrder,
    kPrimary,
    kSelect,
    kSet,
    kShort,
    kTable,
    kTemporary,
    kUpdate,
    kValues,
    kWhere,
};

struct Token {
    TokenKind kind = TokenKind::kEnd;
    Keyword keyword = Keyword::kNone;
    std::string text;  // names and strings without their quotes; the source text otherwise
    int column = 1;    // 1-based byte position of the token's first character
};

// The upper-case spelling of a keyword ("SELECT").
std::string_view KeywordSpelling(Keyword keyword);

// The keyword spelled by `word` (ASCII letters in any case), or kNone.
Keyword LookUpKeyword(std::string_view word);

// How an error message names a token: "end of query", "keyword FROM",
// "string 'abc'", "name Foo", "'('", ...; long texts are shortened.
std::string DescribeToken(const Token& token);

}  // namespace msi::sql
