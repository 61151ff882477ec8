#include "db/condition_syntax.h"

#include <array>
#include <cctype>
#include <string>

namespace msi::db {

namespace {

bool IsNameStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool IsNamePart(char c) {
    return IsNameStart(c) || std::isdigit(static_cast<unsigned char>(c)) != 0 || c == '.';
}

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    bool Whole() {
        SkipSpace();
        if (at_ == text_.size()) return true;
        return Expression() && (SkipSpace(), at_ == text_.size());
    }

  private:
    void SkipSpace() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])) != 0)
            ++at_;
    }

    // The word at the cursor (letters, digits, '_', '.'), not consumed.
    std::string_view PeekWord() const {
        size_t end = at_;
        while (end < text_.size() && IsNamePart(text_[end])) ++end;
        return text_.substr(at_, end - at_);
    }

    static bool IsKeyword(std::string_view word, std::string_view keyword) {
        if (word.size() != keyword.size()) return false;
        for (size_t i = 0; i < word.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(word[i])) != keyword[i]) return false;
        return true;
    }

    static bool IsLogical(std::string_view word) {
        static constexpr std::array<std::string_view, 5> kLogical = {"AND", "OR", "XOR", "EQV",
                                                                     "IMP"};
        for (std::string_view keyword : kLogical)
            if (IsKeyword(word, keyword)) return true;
        return false;
    }

    bool Expression() {
        if (!Term()) return false;
        for (;;) {
            SkipSpace();
            const std::string_view word = PeekWord();
            if (!IsLogical(word)) return true;
            at_ += word.size();
            if (!Term()) return false;
        }
    }

    bool Term() {
        SkipSpace();
        if (at_ == text_.size()) return false;
        const std::string_view word = PeekWord();
        if (IsKeyword(word, "NOT")) {
            at_ += word.size();
            return Term();
        }
        if (text_[at_] == '(') {
            ++at_;
            if (!Expression()) return false;
            SkipSpace();
            if (at_ == text_.size() || text_[at_] != ')') return false;
            ++at_;
            return true;
        }
        if (!Value()) return false;
        SkipSpace();
        if (!Operator()) return true;
        return Value();
    }

    bool Value() {
        SkipSpace();
        if (at_ == text_.size()) return false;
        const char c = text_[at_];
        if (c == '"') {
            const size_t end = text_.find('"', at_ + 1);
            if (end == std::string_view::npos) return false;
            at_ = end + 1;
            return true;
        }
        if (c == '-' || std::isdigit(static_cast<unsigned char>(c)) != 0) {
            size_t end = at_ + (c == '-' ? 1 : 0);
            const size_t digits = end;
            while (end < text_.size() && std::isdigit(static_cast<unsigned char>(text_[end])) != 0)
                ++end;
            if (end == digits) return false;
            at_ = end;
            return true;
        }
        if (c == '%' || c == '$' || c == '?' || c == '&' || c == '!') ++at_;
        if (at_ == text_.size() || !IsNameStart(text_[at_])) return false;
        const std::string_view word = PeekWord();
        if (IsLogical(word) || IsKeyword(word, "NOT")) return false;
        at_ += word.size();
        return true;
    }

    bool Operator() {
        size_t at = at_;
        if (at < text_.size() && text_[at] == '~') ++at;
        static constexpr std::array<std::string_view, 9> kOperators = {"<>", ">=", "<=", "><", "<<",
                                                                       ">>", "=",  ">",  "<"};
        for (std::string_view op : kOperators) {
            if (text_.substr(at, op.size()) == op) {
                at_ = at + op.size();
                return true;
            }
        }
        return false;
    }

    std::string_view text_;
    size_t at_ = 0;
};

}  // namespace

bool IsConditionSyntax(std::string_view text) {
    return Parser(text).Whole();
}

}  // namespace msi::db
