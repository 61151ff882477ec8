#include "sql/token.h"

#include <array>
#include <cstdio>
#include <utility>

namespace msi::sql {
namespace {

// Sorted by spelling only for readability; the table is small enough that a
// linear scan costs nothing next to the rest of a query's work.
constexpr std::array<std::pair<Keyword, std::string_view>, 37> kKeywords = {{
    {Keyword::kAdd, "ADD"},
    {Keyword::kAlter, "ALTER"},
    {Keyword::kAnd, "AND"},
    {Keyword::kBy, "BY"},
    {Keyword::kChar, "CHAR"},
    {Keyword::kCharacter, "CHARACTER"},
    {Keyword::kCreate, "CREATE"},
    {Keyword::kDelete, "DELETE"},
    {Keyword::kDistinct, "DISTINCT"},
    {Keyword::kDrop, "DROP"},
    {Keyword::kFree, "FREE"},
    {Keyword::kFrom, "FROM"},
    {Keyword::kHold, "HOLD"},
    {Keyword::kInsert, "INSERT"},
    {Keyword::kInt, "INT"},
    {Keyword::kInteger, "INTEGER"},
    {Keyword::kInto, "INTO"},
    {Keyword::kIs, "IS"},
    {Keyword::kKey, "KEY"},
    {Keyword::kLike, "LIKE"},
    {Keyword::kLocalizable, "LOCALIZABLE"},
    {Keyword::kLong, "LONG"},
    {Keyword::kLongChar, "LONGCHAR"},
    {Keyword::kNot, "NOT"},
    {Keyword::kNull, "NULL"},
    {Keyword::kObject, "OBJECT"},
    {Keyword::kOr, "OR"},
    {Keyword::kOrder, "ORDER"},
    {Keyword::kPrimary, "PRIMARY"},
    {Keyword::kSelect, "SELECT"},
    {Keyword::kSet, "SET"},
    {Keyword::kShort, "SHORT"},
    {Keyword::kTable, "TABLE"},
    {Keyword::kTemporary, "TEMPORARY"},
    {Keyword::kUpdate, "UPDATE"},
    {Keyword::kValues, "VALUES"},
    {Keyword::kWhere, "WHERE"},
}};

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Keeps error messages short even for a 1 MB string literal.
std::string Shorten(std::string_view text) {
    constexpr size_t kMaxShown = 24;
    if (text.size() <= kMaxShown) return std::string(text);
    return std::string(text.substr(0, kMaxShown)) + "...";
}

}  // namespace

std::string_view KeywordSpelling(Keyword keyword) {
    for (const auto& [k, spelling] : kKeywords)
        if (k == keyword) return spelling;
    return "";
}

Keyword LookUpKeyword(std::string_view word) {
    for (const auto& [k, spelling] : kKeywords) {
        if (spelling.size() != word.size()) continue;
        bool same = true;
        for (size_t i = 0; i < word.size() && same; ++i) same = UpperAscii(word[i]) == spelling[i];
        if (same) return k;
    }
    return Keyword::kNone;
}

std::string DescribeToken(const Token& token) {
    switch (token.kind) {
        case TokenKind::kEnd:
            return "end of query";
        case TokenKind::kName:
            return "name " + Shorten(token.text);
        case TokenKind::kQuotedName:
            return "name `" + Shorten(token.text) + "`";
        case TokenKind::kKeyword:
            return "keyword " + std::string(KeywordSpelling(token.keyword));
        case TokenKind::kString:
            return "string '" + Shorten(token.text) + "'";
        case TokenKind::kInteger:
            return "integer " + Shorten(token.text);
        default:
            return "'" + token.text + "'";
    }
}

}  // namespace msi::sql
