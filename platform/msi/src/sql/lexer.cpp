#include "sql/lexer.h"

#include <cstdio>
#include <string>

namespace msi::sql {
namespace {

// Names are ASCII letters, digits and '_', plus every byte >= 0x80 so that
// names in a multibyte code page (UTF-8 here) need no quotes. A name may not
// start with a digit: a leading digit starts an integer.
bool IsNameByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c >= 0x80;
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Space, tab, line feed and form feed. Wine's reimplementation of the
// installer's tokenizer leaves carriage return out on purpose, so a query
// with "\r" fails there; we do the same rather than accept what the
// installer may refuse (not checked against Windows itself).
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f';
}

std::string Error(size_t offset, const std::string& what) {
    return "col " + std::to_string(offset + 1) + ": " + what;
}

std::string DescribeByte(unsigned char c) {
    if (c >= 0x21 && c < 0x7F) return std::string("character '") + static_cast<char>(c) + "'";
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", c);
    return std::string("byte ") + buffer;
}

}  // namespace

Result<std::vector<Token>> Tokenize(std::string_view query) {
    // Positions are ints in messages and tokens; a bound far beyond any real
    // query keeps them exact and the token list's memory in proportion.
    if (query.size() > kMaxQueryLength) {
        return Status::InvalidArgument("col 1: query is longer than " +
                                       std::to_string(kMaxQueryLength) + " bytes");
    }
    std::vector<Token> tokens;
    size_t i = 0;
    const size_t n = query.size();
    auto add = [&](TokenKind kind, size_t start, size_t length) {
        Token token;
        token.kind = kind;
        token.text = std::string(query.substr(start, length));
        token.column = static_cast<int>(start + 1);
        tokens.push_back(std::move(token));
        i = start + length;
    };
    while (i < n) {
        const char c = query[i];
        if (IsSpace(c)) {
            ++i;
            continue;
        }
        const char next = i + 1 < n ? query[i + 1] : '\0';
        switch (c) {
            case ',':
                add(TokenKind::kComma, i, 1);
                continue;
            case '.':
                add(TokenKind::kDot, i, 1);
                continue;
            case '(':
                add(TokenKind::kLeftParen, i, 1);
                continue;
            case ')':
                add(TokenKind::kRightParen, i, 1);
                continue;
            case '*':
                add(TokenKind::kStar, i, 1);
                continue;
            case '-':
                add(TokenKind::kMinus, i, 1);
                continue;
            case '?':
                add(TokenKind::kParameter, i, 1);
                continue;
            case '=':
                add(TokenKind::kEq, i, 1);
                continue;
            case '<':
                if (next == '=')
                    add(TokenKind::kLe, i, 2);
                else if (next == '>')
                    add(TokenKind::kNe, i, 2);
                else
                    add(TokenKind::kLt, i, 1);
                continue;
            case '>':
                if (next == '=')
                    add(TokenKind::kGe, i, 2);
                else
                    add(TokenKind::kGt, i, 1);
                continue;
            case '!':
                // The documented "not equal" is "<>"; say so rather than just
                // "unexpected character".
                return Status::InvalidArgument(
                    Error(i, "unexpected character '!' (use <> for 'not equal')"));
            case '\'':
            case '`': {
                // Neither strings nor quoted names have an escape: the
                // installer's syntax cannot put a quote inside a string.
                const size_t close = query.find(c, i + 1);
                if (close == std::string_view::npos) {
                    return Status::InvalidArgument(
                        Error(i, c == '\'' ? "unterminated string" : "unterminated quoted name"));
                }
                if (c == '`' && close == i + 1)
                    return Status::InvalidArgument(Error(i, "empty quoted name"));
                const size_t open = i;
                add(c == '\'' ? TokenKind::kString : TokenKind::kQuotedName, open + 1,
                    close - open - 1);
                tokens.back().column = static_cast<int>(open + 1);  // at the quote
                i = close + 1;
                continue;
            }
            default:
                break;
        }
        if (IsDigit(c)) {
            size_t end = i;
            while (end < n && IsDigit(query[end])) ++end;
            if (end < n && IsNameByte(static_cast<unsigned char>(query[end]))) {
                // "12abc" is neither an integer nor a name; catching it here
                // gives a better message than "expected ..." later.
                return Status::InvalidArgument(Error(i, "a name cannot start with a digit"));
            }
            add(TokenKind::kInteger, i, end - i);
            continue;
        }
        if (IsNameByte(static_cast<unsigned char>(c))) {
            size_t end = i;
            // After its first byte a plain name may also hold '-' ("Foo-Bar"), as
            // Wine's reimplementation of the installer's tokenizer accepts; a
            // leading '-' is always a minus sign.
            while (end < n &&
                   (IsNameByte(static_cast<unsigned char>(query[end])) || query[end] == '-'))
                ++end;
            add(TokenKind::kName, i, end - i);
            const Keyword keyword = LookUpKeyword(tokens.back().text);
            if (keyword != Keyword::kNone) {
                tokens.back().kind = TokenKind::kKeyword;
                tokens.back().keyword = keyword;
            }
            continue;
        }
        return Status::InvalidArgument(
            Error(i, "unexpected " + DescribeByte(static_cast<unsigned char>(c))));
    }
    Token end;
    end.kind = TokenKind::kEnd;
    end.column = static_cast<int>(n + 1);
    tokens.push_back(std::move(end));
    return tokens;
}

}  // namespace msi::sql
