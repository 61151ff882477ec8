#include "sql/lexer.h"

#include <cstdio>
#include <string>

namespace msi::sql {
namespace {

// Space, tab, line feed and form feed. Wine's reimplementation of the
// installer's tokenizer leaves carriage return out on purpose, so a query
// with "\r" fails there; we do the same rather than accept what the
// installer may refuse (not checked against Windows itself).
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f';
}

// Names are ASCII letters, digits and '_', plus every byte >= 0x80 so that
// names in a multibyte code page (UTF-8 here) need no quotes, and the control
// bytes that are not spaces: the installer reads a table named "\x05a"
// without quotes. A name may not start with a digit: a leading digit starts
// an integer.
bool IsNameByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c >= 0x80 || (c > 0 && c < 0x20 && c != '\r' && !IsSpace(static_cast<char>(c)));
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
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

// One pass over a query, a token at a time: punctuation and operators,
// quoted strings and names, integers, and plain names or keywords.
class Scanner {
  public:
    explicit Scanner(std::string_view query) : query_(query) {}

    Result<std::vector<Token>> Run() {
        while (i_ < query_.size()) {
            const char c = query_[i_];
            if (IsSpace(c)) {
                ++i_;
                continue;
            }
            Status s;
            const char next = i_ + 1 < query_.size() ? query_[i_ + 1] : '\0';
            if (c == '\'' || c == '`')
                s = Quoted(c);
            else if (IsDigit(c))
                s = Integer();
            else if (IsNameByte(static_cast<unsigned char>(c)) ||
                     (c == '-' && IsNameByte(static_cast<unsigned char>(next)) && !IsDigit(next)))
                Name();  // "-1" is a minus and an integer, "-a" a name
            else
                s = Punctuation(c);
            if (!s.ok()) return s;
        }
        Token end;
        end.kind = TokenKind::kEnd;
        end.column = static_cast<int>(query_.size() + 1);
        tokens_.push_back(std::move(end));
        return std::move(tokens_);
    }

  private:
    void Add(TokenKind kind, size_t start, size_t length) {
        Token token;
        token.kind = kind;
        token.text = std::string(query_.substr(start, length));
        token.column = static_cast<int>(start + 1);
        tokens_.push_back(std::move(token));
        i_ = start + length;
    }

    Status Punctuation(char c) {
        const char next = i_ + 1 < query_.size() ? query_[i_ + 1] : '\0';
        switch (c) {
            case ',':
                Add(TokenKind::kComma, i_, 1);
                return Status::Ok();
            case '.':
                Add(TokenKind::kDot, i_, 1);
                return Status::Ok();
            case '(':
                Add(TokenKind::kLeftParen, i_, 1);
                return Status::Ok();
            case ')':
                Add(TokenKind::kRightParen, i_, 1);
                return Status::Ok();
            case '*':
                Add(TokenKind::kStar, i_, 1);
                return Status::Ok();
            case '-':
                Add(TokenKind::kMinus, i_, 1);
                return Status::Ok();
            case '?':
                Add(TokenKind::kParameter, i_, 1);
                return Status::Ok();
            case '=':
                Add(TokenKind::kEq, i_, 1);
                return Status::Ok();
            case '<':
                if (next == '=')
                    Add(TokenKind::kLe, i_, 2);
                else if (next == '>')
                    Add(TokenKind::kNe, i_, 2);
                else
                    Add(TokenKind::kLt, i_, 1);
                return Status::Ok();
            case '>':
                Add(next == '=' ? TokenKind::kGe : TokenKind::kGt, i_, next == '=' ? 2 : 1);
                return Status::Ok();
            case '!':
                // The documented "not equal" is "<>"; say so rather than just
                // "unexpected character".
                return Status::InvalidArgument(
                    Error(i_, "unexpected character '!' (use <> for 'not equal')"));
            default:
                return Status::InvalidArgument(
                    Error(i_, "unexpected " + DescribeByte(static_cast<unsigned char>(c))));
        }
    }

    // Neither strings nor quoted names have an escape: the installer's
    // syntax cannot put a quote inside a string.
    Status Quoted(char quote) {
        const size_t open = i_;
        const size_t close = query_.find(quote, open + 1);
        if (close == std::string_view::npos) {
            return Status::InvalidArgument(
                Error(open, quote == '\'' ? "unterminated string" : "unterminated quoted name"));
        }
        if (quote == '`' && close == open + 1)
            return Status::InvalidArgument(Error(open, "empty quoted name"));
        Add(quote == '\'' ? TokenKind::kString : TokenKind::kQuotedName, open + 1,
            close - open - 1);
        tokens_.back().column = static_cast<int>(open + 1);  // at the quote
        i_ = close + 1;
        return Status::Ok();
    }

    Status Integer() {
        size_t end = i_;
        while (end < query_.size() && IsDigit(query_[end])) ++end;
        if (end < query_.size() && IsNameByte(static_cast<unsigned char>(query_[end]))) {
            // "12abc" is neither an integer nor a name; catching it here
            // gives a better message than "expected ..." later.
            return Status::InvalidArgument(Error(i_, "a name cannot start with a digit"));
        }
        Add(TokenKind::kInteger, i_, end - i_);
        return Status::Ok();
    }

    void Name() {
        size_t end = i_ + 1;
        // A plain name may also hold '-' ("Foo-Bar", "-a"), as Wine's
        // reimplementation of the installer's tokenizer accepts.
        while (end < query_.size() &&
               (IsNameByte(static_cast<unsigned char>(query_[end])) || query_[end] == '-'))
            ++end;
        Add(TokenKind::kName, i_, end - i_);
        const Keyword keyword = LookUpKeyword(tokens_.back().text);
        if (keyword != Keyword::kNone) {
            tokens_.back().kind = TokenKind::kKeyword;
            tokens_.back().keyword = keyword;
        } else if (i_ < query_.size() && query_[i_] == '`') {
            // A back quote right after a plain name closes it, as if the
            // name had been quoted: the installer reads "from c`" as "from
            // `c`", and "c`.`b`" as "`c`.`b`".
            ++i_;
        }
    }

    std::string_view query_;
    size_t i_ = 0;
    std::vector<Token> tokens_;
};

}  // namespace

Result<std::vector<Token>> Tokenize(std::string_view query) {
    // Positions are ints in messages and tokens; a bound far beyond any real
    // query keeps them exact and the token list's memory in proportion.
    if (query.size() > kMaxQueryLength) {
        return Status::InvalidArgument("col 1: query is longer than " +
                                       std::to_string(kMaxQueryLength) + " bytes");
    }
    return Scanner(query).Run();
}

}  // namespace msi::sql
